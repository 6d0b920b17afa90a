// The running order of the demo. Scenes are laid on the music's bars
// (8 bars = 15.36 s each), so every cut falls on a downbeat.

import { BAR, SONG_BARS } from './music/song.js';

const bars = (n) => n * BAR;

/**
 * Each scene lists its layers, drawn bottom to top; `fx` names an effect
 * module and `opts` is handed to it. As layout.js reads them, positions are
 * shares of the height, text sizes and waves are in text units and a logo's
 * `wobble` is in stroke widths.
 */
export const scenes = [
  {
    name: 'plasma opening',
    start: bars(0), end: bars(8),
    layers: [{ fx: 'plasma' }, { fx: 'logo', opts: { y: 0.32, width: 0.72, dropIn: 1.6, wobble: 0.35 } }],
  },
  {
    name: 'copper bars and sine scroller',
    start: bars(8), end: bars(16),
    layers: [
      { fx: 'copper' },
      { fx: 'logo', opts: { y: 0.17, width: 0.5, wobble: 0.2 } },
      { fx: 'scroller', opts: { text: 'intro', y: 0.5, size: 0.16, amp: 0.1, speed: 5.2, mirror: true } },
    ],
  },
  {
    name: 'starfield',
    start: bars(16), end: bars(24),
    layers: [
      { fx: 'starfield', opts: { speed: 0.35 } },
      { fx: 'logo', opts: { y: 0.45, width: 0.8, wobble: 0.35, bounce: true } },
      { fx: 'scroller', opts: { text: 'stars', y: 0.84, size: 0.07, amp: 0.02, speed: 4.2 } },
    ],
  },
  {
    name: 'rotozoomer',
    start: bars(24), end: bars(32),
    layers: [{ fx: 'rotozoom' }, { fx: 'scroller', opts: { text: 'roto', y: 0.78, size: 0.11, amp: 0.06, speed: 5.5 } }],
  },
  {
    name: 'glenz vector over a chequered floor',
    start: bars(32), end: bars(40),
    layers: [
      { fx: 'floor' },
      { fx: 'vector' },
      { fx: 'scroller', opts: { text: 'vector', y: 0.09, size: 0.07, amp: 0.015, speed: 4.0 } },
    ],
  },
  {
    name: 'fire and greetings',
    start: bars(40), end: bars(48),
    layers: [{ fx: 'fire' }, { fx: 'logo', opts: { y: 0.16, width: 0.55, wobble: 0.3 } }, { fx: 'greetings' }],
  },
  {
    name: 'credits',
    start: bars(48), end: bars(SONG_BARS),
    layers: [{ fx: 'plasma', opts: { dim: 0.35 } }, { fx: 'starfield', opts: { speed: 0.12, overlay: true } }, { fx: 'credits' }],
  },
];

/** Time at which the demo closes by itself. */
export const DEMO_END = bars(SONG_BARS);

/** Length of the fade to black at the very end. */
export const FINAL_FADE = 3.0;

export function sceneAt(t) {
  for (const s of scenes) if (t >= s.start && t < s.end) return s;
  return scenes[scenes.length - 1];
}

/**
 * Overlays for a time: `black` (0..1) fades in from and out to black at the
 * edges of the show, `white` is the flash that marks every scene change.
 */
export function transitionAt(t) {
  let black = 0;
  if (t < 0.6) black = 1 - t / 0.6;
  const toEnd = DEMO_END - t;
  if (toEnd < FINAL_FADE) black = Math.max(black, 1 - toEnd / FINAL_FADE);
  let white = 0;
  for (const s of scenes) {
    if (s.start > 0 && t >= s.start && t < s.start + 0.5) white = 0.7 * (1 - (t - s.start) / 0.5);
  }
  return { black: Math.min(1, Math.max(0, black)), white };
}

/**
 * Opacity of the caption at a time: it fades in and out with the picture,
 * and steps back to a quieter level once the show is under way.
 */
export function captionOpacity(t) {
  const stepBack = 1 - 0.45 * Math.min(1, Math.max(0, (t - 10) / 2));
  return stepBack * (1 - transitionAt(t).black);
}
