// Plasma: four interfering sine fields looked up in a cycling palette,
// rendered at low resolution and scaled up.

import { pack, ramp } from '../gfx/color.js';

const STOPS = [
  [0.0, [40, 0, 90]],
  [0.17, [220, 30, 120]],
  [0.33, [255, 170, 40]],
  [0.5, [255, 250, 200]],
  [0.67, [60, 210, 230]],
  [0.83, [30, 70, 200]],
  [1.0, [40, 0, 90]],
];

export function createPlasma() {
  // base palette in floats so it can be brightened on the beat cheaply
  const base = new Float32Array(256 * 3);
  for (let i = 0; i < 256; i++) {
    const [r, g, b] = ramp(STOPS, i / 256);
    base.set([r, g, b], i * 3);
  }
  const palette = new Uint32Array(256);
  let colTerm = new Float32Array(0);
  let rowTerm = new Float32Array(0);

  return {
    render(f, opts = {}) {
      const low = f.low;
      low.fitScreen(f.screen);
      const { w, h, pixels } = low;
      const t = f.t;
      const dim = opts.dim ?? 1;

      const gain = dim * (0.9 + 0.25 * f.pulse);
      const lift = dim * 40 * f.pulse;
      for (let i = 0; i < 256; i++) {
        palette[i] = pack(base[i * 3] * gain + lift, base[i * 3 + 1] * gain + lift, base[i * 3 + 2] * gain + lift);
      }

      if (colTerm.length !== w) colTerm = new Float32Array(w);
      if (rowTerm.length !== h) rowTerm = new Float32Array(h);
      const inv = 1 / h; // coordinates in screen heights keep the look at any aspect
      for (let x = 0; x < w; x++) colTerm[x] = Math.sin((x - w / 2) * inv * 7.0 + t * 1.1);
      for (let y = 0; y < h; y++) rowTerm[y] = Math.sin(y * inv * 5.5 - t * 0.9);

      const cx = 0.5 * Math.sin(t * 0.37) * (w * inv);
      const cy = 0.5 + 0.35 * Math.cos(t * 0.29);
      const rot = t * 0.2;
      const ca = Math.cos(rot) * 6;
      const sa = Math.sin(rot) * 6;
      const shift = t * 45;

      let p = 0;
      for (let y = 0; y < h; y++) {
        const ny = y * inv;
        const dy = ny - cy;
        const rt = rowTerm[y];
        for (let x = 0; x < w; x++) {
          const nx = (x - w / 2) * inv;
          const dx = nx - cx;
          const v = colTerm[x] + rt +
            Math.sin(nx * ca + ny * sa + t * 0.7) +
            Math.sin(Math.sqrt(dx * dx + dy * dy) * 11 - t * 2.2);
          pixels[p++] = palette[((v * 52 + shift) | 0) & 255];
        }
      }
      low.present(f.ctx, f.W, f.H);
    },
  };
}
