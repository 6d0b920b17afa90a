// The demo's bitmap font: 12x16 cells in assets/font.png, 16 glyphs per
// row, covering ASCII 32..95 (lower case is drawn with the capitals).

const CELL_W = 12;
const CELL_H = 16;
const COLUMNS = 16;
const FIRST = 32;
const COUNT = 64;

export class BitmapFont {
  constructor(image) {
    this.image = image;
    this.cellW = CELL_W;
    this.cellH = CELL_H;
  }

  /** Source rectangle of a character in the font image, or null for blanks. */
  glyph(ch) {
    let code = ch.toUpperCase().charCodeAt(0);
    if (ch === '\u2014' || ch === '\u2013') code = 45; // dashes
    const index = code - FIRST;
    if (!(index > 0 && index < COUNT)) return null;
    return { sx: (index % COLUMNS) * CELL_W, sy: Math.floor(index / COLUMNS) * CELL_H };
  }

  width(text, scale) {
    return text.length * CELL_W * scale;
  }

  /** Draw one character with its top-left corner at (x, y). */
  drawChar(ctx, ch, x, y, scale) {
    const g = this.glyph(ch);
    if (!g) return;
    if (this.image) {
      // shrunk glyphs would lose whole rows of pixels: filter those instead
      const shrink = scale < 1;
      if (shrink) ctx.imageSmoothingEnabled = true;
      ctx.drawImage(this.image, g.sx, g.sy, CELL_W, CELL_H,
        Math.round(x), Math.round(y), Math.ceil(CELL_W * scale), Math.ceil(CELL_H * scale));
      if (shrink) ctx.imageSmoothingEnabled = false;
    } else {
      // no font image: keep the show going with the system monospace font
      ctx.save();
      ctx.fillStyle = '#ffd070';
      ctx.font = `bold ${Math.round(CELL_H * scale * 0.9)}px monospace`;
      ctx.textBaseline = 'top';
      ctx.fillText(ch.toUpperCase(), x, y);
      ctx.restore();
    }
  }

  /** Draw one vertical one-pixel column of a character (for sine scrollers). */
  drawColumn(ctx, ch, column, x, y, scale, width) {
    const g = this.glyph(ch);
    if (!g) return;
    if (!this.image) {
      if (column === 0) this.drawChar(ctx, ch, x, y, scale);
      return;
    }
    const shrink = scale < 1;
    if (shrink) ctx.imageSmoothingEnabled = true;
    ctx.drawImage(this.image, g.sx + column, g.sy, 1, CELL_H, x, Math.round(y), width, Math.ceil(CELL_H * scale));
    if (shrink) ctx.imageSmoothingEnabled = false;
  }

  drawText(ctx, text, x, y, scale) {
    const step = CELL_W * scale;
    for (let i = 0; i < text.length; i++) this.drawChar(ctx, text[i], x + i * step, y, scale);
  }

  drawCentered(ctx, text, cx, y, scale) {
    this.drawText(ctx, text, cx - this.width(text, scale) / 2, y, scale);
  }
}
