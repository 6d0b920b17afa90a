// "Quorvane" theme: a small tracker-style song.
//
// Every pattern is one bar of 16 rows. Notes are written the tracker way
// ("C-3", "G#4"); "---" is an empty row and "^^^" cuts the running note.
// A "/xy" suffix plays an arpeggio or a chord with the semitone offsets x
// and y (hex digits, as in the old trackers' 0xy command). Drum rows are
// made of the letters k (kick), s (snare), h (closed hat), o (open hat), or
// "." for nothing. The order list gives, bar by bar, which pattern every
// channel plays, optionally with a transposition in semitones.

export const BPM = 125;
export const ROWS_PER_BEAT = 4;
export const ROWS_PER_BAR = 16;
export const STEP = 60 / BPM / ROWS_PER_BEAT; // 0.12 s
export const BAR = STEP * ROWS_PER_BAR; // 1.92 s

const P = (s) => s.trim().split(/\s+/);

export const patterns = {
  // drums
  kick4: P('k . . . k . . . k . . . k . . .'),
  beat: P('k . h . s . h . k . kh . s . h h'),
  drive: P('k . h . ks . h . k . h o ks . h h'),
  fill: P('k . h . s . h . k . s s s . s s'),
  fillDrive: P('k . h s ks . h s k s s s ks s s s'),
  hats: P('kh . h . h . h . h . h . h . h o'),
  hit: P('k . . . . . . . . . . . . . . .'),

  // bass: written on A, moved to the chord by the order list
  bassIntro: P('A-1 --- --- --- --- --- --- --- A-1 --- --- --- --- --- A-2 ---'),
  bassMain: P('A-1 --- A-2 --- A-1 A-1 A-2 --- A-1 --- A-2 --- A-1 --- A-2 A-1'),
  bassBreak: P('A-1 --- --- --- --- --- --- --- --- --- --- --- A-2 --- --- ---'),
  bassEnd: P('A-1 --- --- --- --- --- --- --- --- --- --- --- --- --- --- ---'),

  // chip arpeggios, minor and major
  arpMin: P('A-3/37 --- --- A-3/37 --- --- A-3/37 --- A-4/37 --- --- A-3/37 --- A-4/37 --- ---'),
  arpMaj: P('A-3/47 --- --- A-3/47 --- --- A-3/47 --- A-4/47 --- --- A-3/47 --- A-4/47 --- ---'),

  // pads, whole-bar chords
  padMin: P('A-3/37 --- --- --- --- --- --- --- --- --- --- --- --- --- --- ---'),
  padMaj: P('A-3/47 --- --- --- --- --- --- --- --- --- --- --- --- --- --- ---'),
  padEnd: P('A-3/7C --- --- --- --- --- --- --- --- --- --- --- --- --- --- ---'),

  // lead, first theme
  la1: P('A-4 --- --- --- C-5 --- E-5 --- D-5 --- C-5 --- B-4 --- C-5 ---'),
  la2: P('A-4 --- --- --- --- --- F-4 --- A-4 --- C-5 --- --- --- A-4 ---'),
  la3: P('G-4 --- --- --- E-4 --- G-4 --- C-5 --- --- --- E-5 --- D-5 ---'),
  la4: P('D-5 --- --- --- --- --- B-4 --- G-4 --- --- --- ^^^ --- --- ---'),
  la5: P('A-4 --- --- --- C-5 --- E-5 --- A-5 --- --- --- G-5 --- E-5 ---'),
  la6: P('F-5 --- --- --- E-5 --- C-5 --- A-4 --- --- --- C-5 --- F-5 ---'),
  la7: P('G-5 --- --- --- F-5 --- D-5 --- B-4 --- --- --- D-5 --- G-5 ---'),
  la8: P('G#5 --- --- --- --- --- --- --- E-5 --- --- --- B-4 --- --- ---'),

  // lead, second theme
  lb1: P('E-5 --- E-5 --- A-5 --- --- E-5 --- --- C-5 --- D-5 --- E-5 ---'),
  lb2: P('F-5 --- --- --- C-5 --- A-4 --- C-5 --- F-5 --- A-5 --- G-5 ---'),
  lb3: P('E-5 --- --- --- G-5 --- --- E-5 --- --- C-5 --- D-5 --- E-5 ---'),
  lb4: P('D-5 --- --- --- B-4 --- --- --- G-4 --- B-4 --- D-5 --- --- ---'),
  lb5: P('C-6 --- --- --- B-5 --- A-5 --- E-5 --- --- --- A-5 --- C-6 ---'),
  lb6: P('A-5 --- --- --- G-5 --- F-5 --- C-5 --- --- --- F-5 --- A-5 ---'),
  lb7: P('B-5 --- --- --- A-5 --- G-5 --- D-5 --- G-5 --- B-5 --- D-6 ---'),
  lb8: P('B-5 --- --- --- G#5 --- --- --- E-5 --- --- --- ^^^ --- --- ---'),
  leadEnd: P('A-5 --- --- --- --- --- --- --- --- --- --- --- --- --- --- ---'),
};

// Am F C G Am F G E, as transpositions from A and chord qualities
const CHORDS = [[0, 'Min'], [-4, 'Maj'], [3, 'Maj'], [-2, 'Maj'], [0, 'Min'], [-4, 'Maj'], [-2, 'Maj'], [-5, 'Maj']];
const LEAD_A = ['la1', 'la2', 'la3', 'la4', 'la5', 'la6', 'la7', 'la8'];
const LEAD_B = ['lb1', 'lb2', 'lb3', 'lb4', 'lb5', 'lb6', 'lb7', 'lb8'];

/** One 8-bar block of the order list. */
function block({ drums, bass, arp = true, pad = false, lead = null, leadShift = 0, fillLast = null }) {
  return CHORDS.map(([tr, q], i) => ({
    drums: i === 7 && fillLast ? fillLast : drums,
    bass: bass && [bass, tr],
    arp: arp && ['arp' + q, tr],
    pad: pad && ['pad' + q, tr],
    lead: lead && [lead[i], leadShift],
  }));
}

export const order = [
  // intro: arpeggios and pads, the kick comes in halfway
  ...block({ drums: null, bass: 'bassIntro', pad: true }).map((b, i) => (i >= 4 ? { ...b, drums: 'kick4' } : b)),
  ...block({ drums: 'beat', bass: 'bassMain', fillLast: 'fill' }),
  ...block({ drums: 'beat', bass: 'bassMain', lead: LEAD_A, fillLast: 'fill' }),
  ...block({ drums: 'drive', bass: 'bassMain', lead: LEAD_B, fillLast: 'fillDrive' }),
  // breakdown
  ...block({ drums: 'hats', bass: 'bassBreak', pad: true, lead: LEAD_A, leadShift: -12, fillLast: 'fill' }),
  ...block({ drums: 'drive', bass: 'bassMain', lead: LEAD_B, fillLast: 'fillDrive' }),
  ...block({ drums: 'beat', bass: 'bassMain', lead: LEAD_A, pad: true, fillLast: 'fill' }),
  // last chord
  { drums: 'hit', bass: ['bassEnd', 0], arp: null, pad: ['padEnd', 0], lead: ['leadEnd', 0] },
  { drums: null, bass: null, arp: null, pad: null, lead: null },
];

export const SONG_BARS = order.length;
export const SONG_LENGTH = SONG_BARS * BAR;

const NOTE_INDEX = { C: 0, D: 2, E: 4, F: 5, G: 7, A: 9, B: 11 };

/**
 * Parse a note cell. Returns null for an empty row, { off: true } for a
 * note cut, otherwise { midi, chord: [offsets...] }.
 */
export function parseNote(cell) {
  if (cell === '---') return null;
  if (cell === '^^^') return { off: true };
  const m = /^([A-G])([-#])(\d)(?:\/([0-9A-F])([0-9A-F]))?$/.exec(cell);
  if (!m) throw new Error(`bad note cell "${cell}"`);
  const midi = 12 * (Number(m[3]) + 1) + NOTE_INDEX[m[1]] + (m[2] === '#' ? 1 : 0);
  const chord = m[4] ? [0, parseInt(m[4], 16), parseInt(m[5], 16)] : [0];
  return { midi, chord };
}

export function midiToHz(midi) {
  return 440 * Math.pow(2, (midi - 69) / 12);
}

const CHANNELS = ['bass', 'arp', 'pad', 'lead'];

/**
 * Turn the order list into a flat list of timed events:
 * { step, channel, midi, chord, steps } for notes (steps = how long the
 * note rings, until the next note or cut in the same pattern) and
 * { step, channel: 'drum', kind } for drum hits.
 */
export function compileSong() {
  const events = [];
  order.forEach((bar, b) => {
    const base = b * ROWS_PER_BAR;
    if (bar.drums) {
      patterns[bar.drums].forEach((cell, row) => {
        if (cell === '.') return;
        for (const kind of cell) {
          if (!'ksho'.includes(kind)) throw new Error(`bad drum cell "${cell}"`);
          events.push({ step: base + row, channel: 'drum', kind });
        }
      });
    }
    for (const channel of CHANNELS) {
      if (!bar[channel]) continue;
      const [name, transpose] = bar[channel];
      const rows = patterns[name];
      if (!rows) throw new Error(`unknown pattern ${name}`);
      if (rows.length !== ROWS_PER_BAR) throw new Error(`pattern ${name} has ${rows.length} rows`);
      const cells = rows.map(parseNote);
      cells.forEach((note, row) => {
        if (!note || note.off) return;
        let end = row + 1;
        while (end < ROWS_PER_BAR && !cells[end]) end++;
        events.push({ step: base + row, channel, midi: note.midi + transpose, chord: note.chord, steps: end - row });
      });
    }
  });
  events.sort((a, b) => a.step - b.step);
  return events;
}

/** Steps (16th notes) on which the kick drum plays, in order. */
export function kickSteps(events) {
  return events.filter((e) => e.channel === 'drum' && e.kind === 'k').map((e) => e.step);
}

/**
 * Seconds since the last kick at song time t (Infinity before the first):
 * the visuals use it to pulse with the beat.
 */
export function sinceLast(steps, t) {
  const s = Math.floor(t / STEP + 1e-9);
  let lo = 0;
  let hi = steps.length - 1;
  let found = -1;
  while (lo <= hi) {
    const mid = (lo + hi) >> 1;
    if (steps[mid] <= s) {
      found = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return found < 0 ? Infinity : t - steps[found] * STEP;
}
