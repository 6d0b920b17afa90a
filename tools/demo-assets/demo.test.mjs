// Checks for the demo's timeline and music data: node --test tools/demo-assets/
import test from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, readFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';
import { scenes, DEMO_END, sceneAt, transitionAt, captionOpacity } from '../../demo/timeline.js';
import {
  compileSong, kickSteps, sinceLast, parseNote, midiToHz, STEP, BAR, SONG_LENGTH, ROWS_PER_BAR,
} from '../../demo/music/song.js';

const demo = fileURLToPath(new URL('../../demo/', import.meta.url));

test('scenes follow each other without gaps from 0 to the end', () => {
  assert.equal(scenes[0].start, 0);
  for (let i = 1; i < scenes.length; i++) assert.equal(scenes[i].start, scenes[i - 1].end);
  assert.equal(scenes[scenes.length - 1].end, DEMO_END);
  assert.ok(DEMO_END >= 90 && DEMO_END <= 150, `length ${DEMO_END}`);
  assert.equal(DEMO_END, SONG_LENGTH);
});

test('sceneAt and transitions', () => {
  assert.equal(sceneAt(0).name, scenes[0].name);
  assert.equal(sceneAt(scenes[2].start + 0.01).name, scenes[2].name);
  assert.equal(sceneAt(scenes[2].start - 0.01).name, scenes[1].name);
  assert.equal(transitionAt(0).black, 1);
  assert.equal(transitionAt(5).black, 0);
  assert.ok(transitionAt(DEMO_END - 0.1).black > 0.9);
  assert.ok(transitionAt(scenes[3].start + 0.05).white > 0.5);
  assert.equal(transitionAt(scenes[3].start + 1).white, 0);
  // the caption comes and goes with the picture, and is quieter during the show
  assert.equal(captionOpacity(0), 0);
  assert.ok(captionOpacity(0.3) > 0.4 && captionOpacity(0.3) < 0.6);
  assert.equal(captionOpacity(5), 1);
  assert.ok(Math.abs(captionOpacity(30) - 0.55) < 1e-9);
  assert.ok(captionOpacity(DEMO_END - 0.1) < 0.02);
});

test('every layer names an effect module that exists and is wired in main.js', () => {
  const main = readFileSync(`${demo}main.js`, 'utf8');
  for (const scene of scenes) {
    for (const { fx } of scene.layers) {
      assert.ok(existsSync(`${demo}effects/${fx}.js`), fx);
      assert.match(main, new RegExp(`\\b${fx}: create`), fx);
    }
  }
});

test('the page cancels the context menu, and only that', async () => {
  // main.js as the page runs it, in a window of its own; its start fails at
  // once here, for want of a canvas, which is not what this looks at.
  const page = new EventTarget();
  Object.assign(globalThis, { window: page, document: { querySelector: () => null }, location: { hash: '' } });
  const consoleError = console.error;
  console.error = () => {};
  try {
    await import('../../demo/main.js');
    await new Promise((resolve) => setTimeout(resolve, 0));
  } finally {
    console.error = consoleError;
  }
  const cancelled = (type) => !page.dispatchEvent(new Event(type, { cancelable: true }));
  assert.equal(cancelled('contextmenu'), true);
  assert.equal(cancelled('pointerdown'), false);
});

test('the opening scene is a full-screen per-pixel effect (lit from the start)', () => {
  assert.equal(scenes[0].layers[0].fx, 'plasma');
  assert.ok(scenes[0].end > 8);
});

test('note cells parse the tracker way', () => {
  assert.deepEqual(parseNote('A-4'), { midi: 69, chord: [0] });
  assert.deepEqual(parseNote('G#5'), { midi: 80, chord: [0] });
  assert.deepEqual(parseNote('A-3/37'), { midi: 57, chord: [0, 3, 7] });
  assert.deepEqual(parseNote('A-3/7C'), { midi: 57, chord: [0, 7, 12] });
  assert.equal(parseNote('---'), null);
  assert.deepEqual(parseNote('^^^'), { off: true });
  assert.throws(() => parseNote('H-4'));
  assert.ok(Math.abs(midiToHz(69) - 440) < 1e-9);
  assert.ok(Math.abs(midiToHz(57) - 220) < 1e-9);
});

test('the compiled song fits the timeline', () => {
  const events = compileSong();
  assert.ok(events.length > 500);
  const total = SONG_LENGTH / STEP;
  for (const e of events) {
    assert.ok(e.step >= 0 && e.step < total, `step ${e.step}`);
    if (e.channel !== 'drum') {
      assert.ok(e.steps >= 1 && e.steps <= ROWS_PER_BAR);
      assert.ok(e.midi > 20 && e.midi < 100, `midi ${e.midi}`);
    }
  }
  for (let i = 1; i < events.length; i++) assert.ok(events[i].step >= events[i - 1].step);
  // a note rings until the next note of its pattern
  const firstLead = events.find((e) => e.channel === 'lead');
  assert.equal(firstLead.steps, 4);
  // the last bar is silent, so the end of the show lets the last chord ring out
  assert.ok(events.every((e) => e.step < total - ROWS_PER_BAR));
});

test('every scene change after the first lands on a kick', () => {
  const kicks = new Set(kickSteps(compileSong()));
  for (const s of scenes.slice(1, -1)) {
    assert.ok(kicks.has(Math.round(s.start / STEP)), `${s.name} at ${s.start}`);
  }
});

test('sinceLast measures the time from the last kick', () => {
  const steps = [4, 8, 20];
  assert.equal(sinceLast(steps, 0.1), Infinity);
  assert.ok(Math.abs(sinceLast(steps, 4 * STEP + 0.05) - 0.05) < 1e-9);
  assert.ok(Math.abs(sinceLast(steps, 19 * STEP) - 11 * STEP) < 1e-9);
  assert.ok(Math.abs(sinceLast(steps, 30 * STEP) - 10 * STEP) < 1e-9);
  assert.equal(BAR, 16 * STEP);
});
