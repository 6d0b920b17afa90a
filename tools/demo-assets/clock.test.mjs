// The demo clock and sequencer against fake audio contexts whose clocks go
// wrong in the ways engines' clocks have: node --test tools/demo-assets/
import test from 'node:test';
import assert from 'node:assert/strict';
import { DemoClock } from '../../demo/clock.js';
import { Sequencer } from '../../demo/music/sequencer.js';
import { compileSong, STEP } from '../../demo/music/song.js';

const FRAME_MS = 1000 / 60;
const RUN_SECONDS = 30;
const QUANTUM = 128 / 48000; // the context clock moves in render quanta
const LATENCY = 0.04;

// A context whose clock runs at `rate` times wall time (below 1 when its
// audio thread cannot keep up), apart from the spans (in wall seconds) in
// which it is suspended or stalls while it says it runs. Its output timestamp
// is right, or wrong as `timestamp` says: a performanceTime at
// `performanceRate` times performance.now() or `lead` ms ahead of it, a
// contextTime at `contextRate` times the context time heard. Either way it
// was read `age` ms before it is given.
function fakeAudio({ rate = 1, suspended = [], stalled = [], timestamp = {} } = {}) {
  const { performanceRate = 1, lead = 0, contextRate = 1, age = 0 } = timestamp;
  const inSpan = (spans, s) => spans.some(([from, to]) => s >= from && s < to);
  const audio = {
    wall: 0, currentTime: 0, state: 'running', outputLatency: LATENCY,
    advance(ms) {
      const s = (this.wall += ms) / 1000;
      this.state = inSpan(suspended, s) ? 'suspended' : 'running';
      if (this.state === 'running' && !inSpan(stalled, s)) this.running = (this.running ?? 0) + (rate * ms) / 1000;
      this.currentTime = Math.floor((this.running ?? 0) / QUANTUM) * QUANTUM;
    },
    getOutputTimestamp() {
      const contextTime = Math.max(0, this.currentTime - LATENCY - age / 1000) * contextRate;
      return { contextTime, performanceTime: contextTime > 0 ? (this.wall - age) * performanceRate + lead : 0 };
    },
  };
  return audio;
}

// Plays RUN_SECONDS of the song: a frame of the picture every FRAME_MS and
// the sequencer's pump every 40 ms, as the page does.
function play(audio) {
  const notes = [];
  let cuts = 0;
  const synth = { play: (ev, at) => notes.push({ at, now: audio.currentTime, step: ev.step }), cut: () => cuts++ };
  const sequencer = new Sequencer(audio, synth, compileSong());
  let seeks = 0;
  const clock = new DemoClock(audio, (song, heard) => { seeks++; sequencer.seek(song, heard); }, () => audio.wall);
  const songAt = []; // song time at every whole wall second
  for (let ms = 0; ms <= RUN_SECONDS * 1000; ms += 1) {
    audio.advance(1);
    if (ms % 40 === 0) sequencer.pump();
    if (ms % Math.round(FRAME_MS) === 0) clock.now();
    if (ms % 1000 === 0) songAt.push(clock.now());
  }
  return { notes, cuts, seeks, songAt, clock };
}

const cases = [
  { name: 'a right output timestamp', audio: {}, seeks: 1, timestampTrusted: true },
  { name: 'a right output timestamp read 20 ms before', audio: { timestamp: { age: 20 } }, seeks: 1, timestampTrusted: true },
  // A performanceTime at twice the rate lies in the future too, so either
  // judgement refuses it; the two after it are each caught by one alone: the
  // refusal of future readings, and the rate of the contextTime. A
  // performanceTime from the past at twice the rate leaves the 500 ms of
  // plausible latency long before the 2 s over which rates are judged.
  { name: 'a performanceTime at twice the rate', audio: { timestamp: { performanceRate: 2 } }, seeks: 1, timestampTrusted: false },
  { name: 'a performanceTime a second ahead', audio: { timestamp: { lead: 1000 } }, seeks: 1, timestampTrusted: false },
  {
    name: 'timestamps from the past whose contextTime runs at twice the rate',
    audio: { timestamp: { contextRate: 2, age: 20 } }, seeks: 1, timestampTrusted: false,
  },
  { name: 'a currentTime that stalls for 3 s', audio: { stalled: [[8, 11]] } },
  { name: 'a context suspended for 4 s, then resumed', audio: { suspended: [[0, 2], [12, 16]] } },
  // Seeking a lagging audio thread every time it falls behind would stack up
  // voices and slow it down further: it is sought at most every 2 s.
  { name: 'an audio clock at 0.8 of wall time', audio: { rate: 0.8 }, maxSeeks: RUN_SECONDS / 2 + 1 },
];

for (const c of cases) {
  test(`song time keeps wall time, and the music plays, with ${c.name}`, () => {
    const { notes, cuts, seeks, songAt, clock } = play(fakeAudio(c.audio));
    for (let s = 1; s < songAt.length; s++) {
      const rate = songAt[s] - songAt[s - 1];
      assert.ok(Math.abs(rate - 1) <= 0.01, `song time ran at ${rate.toFixed(4)} of wall time in second ${s}`);
    }
    for (const n of notes) assert.ok(n.at >= n.now, `step ${n.step} scheduled at ${n.at}, before the context's ${n.now}`);
    // Every seek after the first fades out the voices of the one before.
    assert.equal(cuts, seeks - 1);
    if (c.seeks) assert.equal(seeks, c.seeks);
    if (c.maxSeeks) assert.ok(seeks > 1 && seeks <= c.maxSeeks, `${seeks} seeks`);
    if (c.timestampTrusted !== undefined) assert.equal(clock.timestamps.trusted, c.timestampTrusted);
    // The music reaches the end of the run: notes up to its last second.
    const lastStep = Math.max(...notes.map((n) => n.step));
    assert.ok(lastStep * STEP >= RUN_SECONDS - 1, `the last note scheduled is at song time ${lastStep * STEP}`);
  });
}
