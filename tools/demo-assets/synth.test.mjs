// The synth's buses against a fake audio graph: node --test tools/demo-assets/
import test from 'node:test';
import assert from 'node:assert/strict';
import { Synth } from '../../demo/music/synth.js';
import { compileSong, BAR, STEP } from '../../demo/music/song.js';

// A fake AudioContext that keeps the graph's connections and its sources'
// stop times: `advance(t)` moves its clock to t and ends every source stopped
// by then, calling its `onended`.
function fakeContext() {
  const sources = [];
  const param = (value = 0) => ({
    value, setValueAtTime() {}, linearRampToValueAtTime() {}, exponentialRampToValueAtTime() {}, cancelScheduledValues() {},
  });
  const node = (fields = {}) => ({
    outputs: new Set(),
    connect(to) { this.outputs.add(to); return to; },
    disconnect() { this.outputs.clear(); },
    ...fields,
  });
  const source = (fields) => {
    const s = node({ end: Infinity, onended: null, start() {}, stop(at) { s.end = at; }, ...fields });
    sources.push(s);
    return s;
  };
  return {
    currentTime: 0, sampleRate: 48000, state: 'running', destination: node(),
    createGain: () => node({ gain: param(1) }),
    createDynamicsCompressor: () => node({ threshold: param(), ratio: param(), attack: param(), release: param() }),
    createDelay: () => node({ delayTime: param() }),
    createBiquadFilter: () => node({ frequency: param(), Q: param() }),
    createBuffer: (channels, length) => ({ getChannelData: () => new Float32Array(length) }),
    createOscillator: () => source({ frequency: param(), detune: param() }),
    createBufferSource: () => source({}),
    createConstantSource: () => source({ offset: param(1) }),
    advance(t) {
      this.currentTime = t;
      for (const s of sources.filter((s) => s.end <= t && s.onended)) {
        const ended = s.onended;
        s.onended = null;
        ended();
      }
    },
  };
}

/** Whether `from` is connected, through any nodes, to `to`. */
function reaches(from, to, seen = new Set()) {
  if (from === to) return true;
  if (seen.has(from)) return false;
  seen.add(from);
  return [...from.outputs].some((next) => reaches(next, to, seen));
}

test('a re-aligned song leaves its old buses connected only while they fade', () => {
  const ctx = fakeContext();
  const synth = new Synth(ctx);
  const events = compileSong().filter((e) => e.step * STEP < 2 * BAR);
  const old = [];
  for (const at of [0, 1, 2.5, 2.6]) {
    ctx.advance(at);
    for (const e of events) synth.play(e, at + e.step * STEP);
    old.push({ bus: synth.bus, send: synth.send });
    synth.cut();
    // The voices just cut are still heard, fading out.
    const { bus, send } = old[old.length - 1];
    assert.ok(reaches(bus, ctx.destination) && reaches(send, ctx.destination), `the bus cut at ${at} s is heard fading`);
  }
  ctx.advance(10);
  old.forEach(({ bus, send }, i) => {
    assert.ok(!reaches(bus, ctx.destination), `bus ${i} is still connected after its fade`);
    assert.ok(!reaches(send, ctx.destination), `send ${i} is still connected after its fade`);
  });
  assert.ok(reaches(synth.bus, ctx.destination) && reaches(synth.send, ctx.destination), 'the current bus is heard');
});
