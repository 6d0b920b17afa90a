// Closing credits: the lines are typed out one after another, letter by
// letter, each with its own size.

import { credits } from '../texts.js';
import { creditsLayout } from '../layout.js';

const CHARS_PER_SECOND = 14;
const LINE_PAUSE = 0.35;

export function createCredits(font) {
  // when each line starts typing, in seconds from the start of the scene
  const starts = [];
  let at = 0.8;
  for (const [text] of credits) {
    starts.push(at);
    at += text.length / CHARS_PER_SECOND + LINE_PAUSE;
  }

  return {
    render(f) {
      const { ctx, W, H } = f;
      const L = creditsLayout(W, H, f.safe, credits.map(([, size]) => size));
      const unit = L.unit / font.cellH;
      ctx.imageSmoothingEnabled = false;
      credits.forEach(([text, size], i) => {
        const y = L.tops[i];
        const shown = Math.floor((f.lt - starts[i]) * CHARS_PER_SECOND);
        if (shown > 0 && text) {
          const scale = unit * size;
          const part = text.slice(0, Math.min(text.length, shown));
          const x = W / 2 - font.width(text, scale) / 2;
          font.drawText(ctx, part, x, y, scale);
          // a blinking block cursor while the line is being typed
          if (shown < text.length && Math.floor(f.t * 8) % 2 === 0) {
            ctx.fillStyle = '#ffe080';
            ctx.fillRect(x + font.width(part, scale), y, font.cellW * scale * 0.8, font.cellH * scale);
          }
        }
      });
    },
  };
}
