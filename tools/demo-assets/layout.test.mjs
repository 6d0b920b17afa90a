// The demo's layout at every screen shape: node --test tools/demo-assets/
import test from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { scenes } from '../../demo/timeline.js';
import { greetings, credits } from '../../demo/texts.js';
import { pixelScale } from '../../demo/gfx/screen.js';
import { createVector } from '../../demo/effects/vector.js';
import {
  CAPTION, safeArea, edgeMargin, textUnit, logoLayout, scrollerLayout, greetingLines, creditsLayout,
} from '../../demo/layout.js';

// Windows in CSS pixels, one device pixel each: tall, narrow, old and wide.
const WINDOWS = [[1080, 1920], [333, 999], [500, 700], [800, 600], [1024, 768], [1280, 720], [1920, 1080], [2560, 1080]];
const GLYPH_ASPECT = 12 / 16; // the bitmap font's cell

/** The canvas and safe area the page makes of a window, as Screen sizes it. */
const views = WINDOWS.map(([w, h]) => {
  const k = pixelScale(w, h);
  const W = Math.ceil(w / k);
  const H = Math.ceil(h / k);
  return { name: `${w}x${h}`, W, H, safe: safeArea(W, H, w, h, 1 / k) };
});

const sceneTimes = (scene, step = 0.02) => {
  const times = [];
  for (let lt = 0; lt < scene.end - scene.start; lt += step) times.push(lt);
  return times;
};
const greetingsScene = scenes.find((s) => s.layers.some((l) => l.fx === 'greetings'));

/** The rows each text layer of a scene covers, as it settles. */
function textBands(scene, { W, H, safe }) {
  const bands = {
    logo: (opts) => logoLayout(W, H, opts).band,
    scroller: (opts) => scrollerLayout(W, H, opts).band,
    greetings: () => greetingLines(greetings.length, 0, 1, W, H, safe).band,
    credits: () => creditsLayout(W, H, safe, credits.map(([, s]) => s)).band,
  };
  return scene.layers.filter((l) => bands[l.fx]).map((l) => ({ fx: l.fx, ...bands[l.fx](l.opts) }));
}

test('the caption layout follows the #caption rule of index.html', () => {
  const rule = /#caption\s*{([^}]*)}/.exec(readFileSync(new URL('../../demo/index.html', import.meta.url), 'utf8'))[1];
  assert.match(rule, new RegExp(`bottom: ${CAPTION.bottomVmin}vmin;`));
  assert.match(rule, new RegExp(`clamp\\(${CAPTION.fontMin}px, ${CAPTION.fontVmin}vmin, ${CAPTION.fontMax}px\\)/${CAPTION.lineHeight} `));
});

for (const v of views) {
  const { name, W, H, safe } = v;
  const m = edgeMargin(W, H);

  test(`${name}: scene texts keep clear of the edges, the caption and each other`, () => {
    assert.ok(safe.bottom < H - 2 * m, `${name} caption band`);
    for (const scene of scenes) {
      const bands = textBands(scene, v).sort((a, b) => a.top - b.top);
      bands.forEach((b, i) => {
        const what = `${name} ${scene.name} ${b.fx} ${Math.round(b.top)}..${Math.round(b.bottom)}`;
        assert.ok(b.top >= safe.top && b.bottom <= safe.bottom, `${what} outside ${safe.top}..${safe.bottom}`);
        if (i > 0) assert.ok(b.top >= bands[i - 1].bottom, `${what} runs into ${bands[i - 1].fx}`);
      });
    }
  });

  test(`${name}: the logo sways less than a stroke and keeps its margins`, () => {
    for (const { opts } of scenes.flatMap((s) => s.layers).filter((l) => l.fx === 'logo')) {
      const L = logoLayout(W, H, opts);
      assert.ok(L.reach <= L.stroke, `${name} sway ${L.reach} over stroke ${L.stroke}`);
      assert.ok(L.stroke >= 2, `${name} stroke ${L.stroke}`);
      assert.ok((W - L.w) / 2 - L.reach >= safe.left, `${name} logo ${L.w} wide`);
    }
  });

  test(`${name}: the glenz vector stays in the frame, swing and kick included`, () => {
    const points = [];
    const ctx = new Proxy({}, {
      get: (_, key) => (key === 'moveTo' || key === 'lineTo' ? (x, y) => points.push([x, y]) : () => {}),
      set: () => true,
    });
    const vector = createVector();
    const scene = scenes.find((s) => s.layers.some((l) => l.fx === 'vector'));
    for (const lt of sceneTimes(scene)) vector.render({ ctx, W, H, lt, pulse: 1 });
    const xs = points.map(([x]) => x);
    const ys = points.map(([, y]) => y);
    const [left, right, top, bottom] = [Math.min(...xs), Math.max(...xs), Math.min(...ys), Math.max(...ys)];
    assert.ok(left >= m && right <= W - m && top >= m && bottom <= H - m,
      `${name} vector ${left | 0}..${right | 0} x ${top | 0}..${bottom | 0} in ${W}x${H}`);
    // fitted, not shrunk away: it still spans most of the shorter side
    assert.ok(Math.max(right - left, bottom - top) >= 0.5 * Math.min(W, H), `${name} vector too small`);
  });

  test(`${name}: greetings rise inside their band and each is read in full`, () => {
    const duration = greetingsScene.end - greetingsScene.start;
    const { band } = greetingLines(greetings.length, 0, duration, W, H, safe);
    const seen = new Set();
    for (const lt of sceneTimes(greetingsScene)) {
      greetingLines(greetings.length, lt, duration, W, H, safe).lines.forEach(({ y, textH, alpha }, i) => {
        if (alpha <= 0) return;
        assert.ok(y >= band.top && y + textH <= safe.bottom, `${name} greeting ${i} at ${y} after ${lt} s`);
        if (alpha === 1) seen.add(i);
      });
    }
    assert.equal(seen.size, greetings.length, `${name} greetings shown in full: ${[...seen]}`);
    // on any shape they take the whole scene, not only its start
    const late = greetingLines(greetings.length, duration * 0.85, duration, W, H, safe).lines;
    assert.ok(late.some(({ alpha }) => alpha > 0), `${name} greetings over too early`);
    const widest = Math.max(...greetings.map((g) => g.length)) * textUnit(W, H) * 0.055 * GLYPH_ASPECT;
    assert.ok((W - widest) / 2 - W * 0.02 >= safe.left, `${name} greetings ${widest} wide`);
  });

  test(`${name}: the credits fit between the margins`, () => {
    const { unit } = creditsLayout(W, H, safe, credits.map(([, s]) => s));
    const widest = Math.max(...credits.map(([text, size]) => text.length * size)) * unit * GLYPH_ASPECT;
    assert.ok((W - widest) / 2 >= safe.left, `${name} credits ${widest} wide`);
  });
}
