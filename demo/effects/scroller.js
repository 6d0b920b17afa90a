// Sine scroller: the bitmap font drawn one pixel column at a time, every
// column lifted by a travelling sine wave, with an optional water mirror.

import { scrollTexts } from '../texts.js';
import { scrollerLayout, MIRROR_SQUASH } from '../layout.js';

export function createScroller(font) {
  function drawLine(ctx, text, scroll, baseY, scale, W, H, amp, t) {
    const cw = font.cellW * scale;
    const first = Math.max(0, Math.floor((scroll - W) / cw));
    const last = Math.min(text.length - 1, Math.ceil(scroll / cw));
    for (let i = first; i <= last; i++) {
      const ch = text[i];
      if (ch === ' ') continue;
      const charX = W - scroll + i * cw;
      if (charX > W || charX + cw < 0) continue;
      for (let c = 0; c < font.cellW; c++) {
        const x = Math.floor(charX + c * scale);
        const nx = Math.floor(charX + (c + 1) * scale);
        if (nx <= 0 || x >= W) continue;
        const y = baseY + Math.sin(x / W * 7.5 + t * 3.2) * amp * H;
        font.drawColumn(ctx, ch, c, x, y, scale, nx - x);
      }
    }
  }

  return {
    render(f, opts = {}) {
      const { ctx, W, H, t } = f;
      const text = scrollTexts[opts.text] ?? opts.text ?? '';
      const L = scrollerLayout(W, H, opts);
      const scale = L.textH / font.cellH;
      const cw = font.cellW * scale;
      const scroll = f.lt * (opts.speed ?? 5) * cw;
      const { baseY, axis } = L;
      const amp = L.amp / H;
      ctx.imageSmoothingEnabled = false;
      drawLine(ctx, text, scroll, baseY, scale, W, H, amp, t);

      if (opts.mirror) {
        // reflection: flipped, squashed and dimmed under a bluish surface
        ctx.fillStyle = 'rgba(20,40,120,0.35)';
        ctx.fillRect(0, axis, W, H - axis);
        ctx.save();
        ctx.globalAlpha = 0.35;
        ctx.translate(0, axis);
        ctx.scale(1, -MIRROR_SQUASH);
        ctx.translate(0, -axis);
        drawLine(ctx, text, scroll + Math.sin(t * 2) * scale, baseY, scale, W, H, amp, t + 0.4);
        ctx.restore();
      }
    },
  };
}
