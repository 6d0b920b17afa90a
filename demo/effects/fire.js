// Fire: the old averaging flame, seeded along the bottom edge and by a
// fireball that loops around the screen. Stepped at a fixed 60 Hz so it
// burns at the same speed on every machine. The seed rows are random noise,
// so they are kept below the frame together with the first rows they feed.

import { pack, ramp } from '../gfx/color.js';

const PALETTE_STOPS = [
  [0.0, [0, 0, 0]],
  [0.2, [70, 0, 10]],
  [0.4, [200, 30, 0]],
  [0.6, [255, 130, 0]],
  [0.8, [255, 220, 60]],
  [1.0, [255, 255, 230]],
];

/** Rows of random heat along the bottom that feed the flames. */
const SEED_ROWS = 2;
/** Rows left out of the picture: the seeds and the still speckled rows over them. */
const HIDDEN_ROWS = SEED_ROWS + 2;

export function createFire() {
  const palette = new Uint32Array(256);
  for (let i = 0; i < 256; i++) {
    const [r, g, b] = ramp(PALETTE_STOPS, i / 255);
    palette[i] = pack(r, g, b);
  }
  let heat = new Uint8Array(0);
  let hw = 0;
  let hh = 0;
  let simTime = null;
  let seed = 7;
  const rand = () => {
    seed = (seed * 1103515245 + 12345) & 0x7fffffff;
    return seed / 0x7fffffff;
  };

  function step(t, pulse) {
    const w = hw, h = hh;
    // hot, flickering bottom rows; hotter on the beat
    for (let y = h - SEED_ROWS; y < h; y++) {
      for (let x = 0; x < w; x++) heat[y * w + x] = rand() < 0.55 + 0.3 * pulse ? 255 : 60;
    }
    // the fireball
    const bx = w / 2 + Math.sin(t * 1.3) * w * 0.35;
    const by = h * 0.62 + Math.sin(t * 2.1) * h * 0.18;
    const r = h * 0.06;
    for (let y = Math.max(1, (by - r) | 0); y < Math.min(h - 1, by + r); y++) {
      for (let x = Math.max(1, (bx - r) | 0); x < Math.min(w - 1, bx + r); x++) {
        if ((x - bx) ** 2 + (y - by) ** 2 < r * r) heat[y * w + x] = 255;
      }
    }
    // every cell takes the cooled average of the cells below it
    for (let y = 0; y < h - SEED_ROWS; y++) {
      const row = y * w;
      for (let x = 0; x < w; x++) {
        const below = row + w + x;
        const l = x > 0 ? below - 1 : below;
        const rr = x < w - 1 ? below + 1 : below;
        const v = (heat[l] + heat[below] + heat[rr] + heat[below + w]) * 0.2485 - 0.6;
        heat[row + x] = v > 0 ? v : 0;
      }
    }
  }

  return {
    render(f) {
      const low = f.low;
      low.fitScreen(f.screen);
      const { w, h, pixels } = low;
      if (w !== hw || h !== hh) {
        hw = w;
        hh = h;
        heat = new Uint8Array(w * h);
      }
      if (simTime === null || f.lt < simTime - 1 || f.lt > simTime + 1) simTime = f.lt;
      let steps = 0;
      while (simTime < f.lt && steps < 4) {
        simTime += 1 / 60;
        step(simTime, f.pulse);
        steps++;
      }
      simTime = Math.max(simTime, f.lt - 1 / 60);
      for (let i = 0; i < w * h; i++) pixels[i] = palette[heat[i]];
      low.present(f.ctx, f.W, f.H, HIDDEN_ROWS);
    },
  };
}
