// Copper bars: shaded raster bars swinging up and down in front of a
// dark gradient, drawn back to front by their depth.

import { CachedBackdrop } from '../gfx/screen.js';

const BAR_COLOURS = [
  [255, 60, 60], [255, 160, 40], [250, 240, 80], [80, 230, 110],
  [60, 200, 255], [90, 110, 255], [200, 80, 255],
];

function shade([r, g, b], k) {
  return `rgb(${Math.min(255, r * k) | 0},${Math.min(255, g * k) | 0},${Math.min(255, b * k) | 0})`;
}

const rasterLine = (H) => Math.max(2, Math.round(H / 180));

export function createCopper() {
  const gradients = new Map(); // per colour and bar height, rebuilt on resize

  function barGradient(ctx, i, height) {
    const key = `${i}:${height}`;
    let g = gradients.get(key);
    if (!g) {
      const c = BAR_COLOURS[i];
      g = ctx.createLinearGradient(0, 0, 0, height);
      g.addColorStop(0, shade(c, 0.15));
      g.addColorStop(0.35, shade(c, 0.9));
      g.addColorStop(0.5, shade([255, 255, 255], 1));
      g.addColorStop(0.65, shade(c, 0.9));
      g.addColorStop(1, shade(c, 0.15));
      gradients.set(key, g);
    }
    return g;
  }

  // the dark gradient with fixed thin raster lines at the top and bottom
  // borders never moves: painted once per screen size
  const backdrop = new CachedBackdrop((g, W, H) => {
    const bg = g.createLinearGradient(0, 0, 0, H);
    bg.addColorStop(0, '#000018');
    bg.addColorStop(0.5, '#100838');
    bg.addColorStop(1, '#000010');
    g.fillStyle = bg;
    g.fillRect(0, 0, W, H);
    const line = rasterLine(H);
    for (let i = 0; i < 8; i++) {
      const k = 1 - i / 8;
      g.fillStyle = shade([80, 120, 255], k);
      g.fillRect(0, i * line * 2, W, line);
      g.fillStyle = shade([255, 90, 160], k);
      g.fillRect(0, H - (i * 2 + 1) * line, W, line);
    }
  });

  return {
    render(f) {
      const { ctx, W, H, t } = f;
      if (gradients.size > 64) gradients.clear();

      backdrop.draw(ctx, W, H);
      const line = rasterLine(H);

      const barH = Math.max(8, Math.round(H / 11));
      const bars = BAR_COLOURS.map((_, i) => {
        const a = t * 1.9 + i * 0.62;
        return { i, y: H * 0.5 + Math.sin(a) * H * 0.3 - barH / 2, z: Math.cos(a) };
      });
      bars.sort((p, q) => p.z - q.z);
      for (const b of bars) {
        ctx.save();
        ctx.translate(0, Math.round(b.y));
        ctx.globalAlpha = 0.55 + 0.45 * (b.z * 0.5 + 0.5);
        ctx.fillStyle = barGradient(ctx, b.i, barH);
        ctx.fillRect(0, 0, W, barH);
        ctx.restore();
      }

      // the beat flashes a thin white line through the middle
      if (f.pulse > 0.05) {
        ctx.fillStyle = `rgba(255,255,255,${0.5 * f.pulse})`;
        ctx.fillRect(0, Math.round(H * 0.5 - line), W, line * 2);
      }
    },
  };
}
