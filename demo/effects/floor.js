// Chequered floor racing towards the horizon under a striped copper sky,
// the stage for the glenz vector. Low resolution, one pass per pixel.

import { pack, ramp } from '../gfx/color.js';

const SKY = [
  [0.0, [10, 0, 40]],
  [0.6, [80, 20, 120]],
  [0.9, [255, 120, 80]],
  [1.0, [255, 230, 160]],
];

export function createFloor() {
  return {
    render(f) {
      const low = f.low;
      low.fitScreen(f.screen);
      const { w, h, pixels } = low;
      const t = f.lt;
      const horizon = Math.round(h * 0.52);

      let p = 0;
      for (let y = 0; y < horizon; y++) {
        const k = y / horizon;
        let [r, g, b] = ramp(SKY, k);
        // copper stripes thicken towards the horizon
        if (Math.sin(k * k * 60 - t * 2) > 0.6) {
          r *= 1.25;
          g *= 1.25;
          b *= 1.25;
        }
        const c = pack(r, g, b);
        for (let x = 0; x < w; x++) pixels[p++] = c;
      }

      const sway = Math.sin(t * 0.5) * 2;
      const travel = t * 3.2;
      const fogCol = ramp(SKY, 1);
      for (let y = horizon; y < h; y++) {
        const dy = (y - horizon + 0.5) / h;
        const z = 0.35 / dy; // distance of this row on the floor
        const fog = Math.min(1, z / 9);
        const zi = Math.floor(z + travel);
        const step = z / h * 3;
        let xw = (-w / 2) * step + sway;
        const lightF = pack(240 + (fogCol[0] - 240) * fog, 240 + (fogCol[1] - 240) * fog, 255 + (fogCol[2] - 255) * fog);
        const darkF = pack(40 + (fogCol[0] - 40) * fog, 20 + (fogCol[1] - 20) * fog, 110 + (fogCol[2] - 110) * fog);
        for (let x = 0; x < w; x++) {
          pixels[p++] = ((Math.floor(xw) ^ zi) & 1) ? lightF : darkF;
          xw += step;
        }
      }
      low.present(f.ctx, f.W, f.H);
    },
  };
}
