// Rotozoomer: the tile from assets/texture.png, rotated and zoomed with a
// pair of per-pixel texture steps, rendered at low resolution.

import { readPixels } from '../gfx/assets.js';
import { pack } from '../gfx/color.js';

const SIZE = 128; // texture side, a power of two so wrapping is a mask
const MASK = SIZE - 1;

/** A generated stand-in tile for when the PNG cannot be read back. */
function fallbackTexture() {
  const tex = new Uint32Array(SIZE * SIZE);
  for (let y = 0; y < SIZE; y++) {
    for (let x = 0; x < SIZE; x++) {
      const v = (x ^ y) & 0xff;
      tex[y * SIZE + x] = pack(v, (v * 2) & 0xff, 255 - v);
    }
  }
  return tex;
}

function loadTexture(img) {
  const data = readPixels(img);
  if (!data || data.width !== SIZE || data.height !== SIZE) return fallbackTexture();
  const tex = new Uint32Array(SIZE * SIZE);
  const d = data.data;
  for (let i = 0; i < SIZE * SIZE; i++) tex[i] = pack(d[i * 4], d[i * 4 + 1], d[i * 4 + 2]);
  return tex;
}

export function createRotozoom(assets) {
  const tex = loadTexture(assets.texture);

  return {
    render(f) {
      const low = f.low;
      low.fitScreen(f.screen);
      const { w, h, pixels } = low;
      const t = f.lt;

      const angle = t * 0.55 + Math.sin(t * 0.37) * 1.2;
      // zoom: texels per low-res pixel, breathing and kicked by the beat
      const zoom = (1.35 + 0.95 * Math.sin(t * 0.6)) * (1 - 0.12 * f.pulse) * (180 / h);
      const du = Math.cos(angle) * zoom * 256;
      const dv = Math.sin(angle) * zoom * 256;
      // centre of the view wanders over the texture plane
      const cu = (Math.sin(t * 0.31) * 300 + t * 40) * 256;
      const cv = (Math.cos(t * 0.23) * 300 + t * 25) * 256;

      // 8.8 fixed point, rows start at the rotated left edge
      let rowU = cu - (w / 2) * du + (h / 2) * dv;
      let rowV = cv - (w / 2) * dv - (h / 2) * du;
      let p = 0;
      for (let y = 0; y < h; y++) {
        let u = rowU;
        let v = rowV;
        for (let x = 0; x < w; x++) {
          pixels[p++] = tex[(((v >> 8) & MASK) << 7) | ((u >> 8) & MASK)];
          u += du;
          v += dv;
        }
        rowU -= dv;
        rowV += du;
      }
      low.present(f.ctx, f.W, f.H);

      if (f.pulse > 0.02) {
        f.ctx.fillStyle = `rgba(255,255,255,${0.18 * f.pulse})`;
        f.ctx.fillRect(0, 0, f.W, f.H);
      }
    },
  };
}
