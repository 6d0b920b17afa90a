// Greetings: lines of the bitmap font rising slowly up through the fire,
// each line swaying a little on its own.

import { greetings } from '../texts.js';

export function createGreetings(font) {
  return {
    render(f) {
      const { ctx, W, H } = f;
      const scale = (f.U * 0.055) / font.cellH;
      const lineH = font.cellH * scale * 1.7;
      const rise = f.lt * H * 0.085; // pixels risen since the scene started
      ctx.imageSmoothingEnabled = false;
      greetings.forEach((line, i) => {
        const y = H + i * lineH * 1.4 - rise;
        if (y < H * 0.28 || y > H) return;
        // lines fade out as they reach the logo
        ctx.globalAlpha = Math.min(1, (y - H * 0.28) / (H * 0.12));
        const sway = Math.sin(f.t * 1.7 + i) * W * 0.02;
        font.drawCentered(ctx, line, W / 2 + sway, y, scale);
      });
      ctx.globalAlpha = 1;
    },
  };
}
