// Greetings: lines of the bitmap font rising slowly up through the fire,
// each line swaying a little on its own. They come out of the flames above
// the caption and fade before they reach the logo.

import { greetings } from '../texts.js';
import { greetingLines } from '../layout.js';

export function createGreetings(font) {
  return {
    render(f) {
      const { ctx, W, H } = f;
      const duration = f.scene.end - f.scene.start;
      const { lines } = greetingLines(greetings.length, f.lt, duration, W, H, f.safe);
      ctx.imageSmoothingEnabled = false;
      lines.forEach(({ y, textH, alpha }, i) => {
        if (alpha <= 0) return;
        ctx.globalAlpha = alpha;
        const sway = Math.sin(f.t * 1.7 + i) * W * 0.02;
        font.drawCentered(ctx, greetings[i], W / 2 + sway, y, textH / font.cellH);
      });
      ctx.globalAlpha = 1;
    },
  };
}
