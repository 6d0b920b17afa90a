// The QUORVANE logo (assets/logo.png), drawn in one-pixel rows so every
// row can sway on its own sine: the classic wobbling logo.

import { logoLayout, LOGO_KICK } from '../layout.js';

export function createLogo(assets) {
  const img = assets.logo;
  // On a small canvas the logo can come out narrower than its own pixels.
  // Dropping whole rows and columns would break the letters, so it is then
  // shrunk once, filtered, and the rows are taken from that copy.
  let shrunk = null;

  function shrink(w, h) {
    if (!shrunk || shrunk.width !== w || shrunk.height !== h) {
      shrunk = document.createElement('canvas');
      shrunk.width = w;
      shrunk.height = h;
      const g = shrunk.getContext('2d');
      g.imageSmoothingEnabled = true;
      g.imageSmoothingQuality = 'high';
      g.drawImage(img, 0, 0, w, h);
    }
    return shrunk;
  }

  return {
    render(f, opts = {}) {
      const { ctx, W, H } = f;
      const L = img ? logoLayout(W, H, opts, img.naturalWidth, img.naturalHeight) : logoLayout(W, H, opts);
      const { scale, w: lw, h: lh } = L;

      let cy = L.cy;
      if (opts.dropIn) {
        // falls in from above and settles with a damped bounce
        const k = f.lt / opts.dropIn;
        if (k < 1) cy = -lh + (cy + lh) * (1 - Math.cos(k * Math.PI * 0.5));
        else cy += Math.sin((k - 1) * 9) * Math.exp(-(k - 1) * 3) * H * 0.04;
      }
      if (opts.bounce) cy -= Math.abs(Math.sin(f.t * Math.PI * 125 / 120)) * L.bounce;
      const x0 = (W - lw) / 2;
      const y0 = cy - lh / 2;

      if (!img) {
        ctx.save();
        ctx.fillStyle = '#cfe0ff';
        ctx.font = `bold ${Math.round(lh * 0.8)}px sans-serif`;
        ctx.textAlign = 'center';
        ctx.textBaseline = 'middle';
        ctx.fillText('QUORVANE', W / 2, cy);
        ctx.restore();
        return;
      }

      const wobble = L.amplitude * (1 + f.pulse * LOGO_KICK);
      ctx.imageSmoothingEnabled = false;
      let src = img;
      let rows = img.naturalHeight;
      let rowScale = scale;
      if (scale < 1) {
        src = shrink(Math.max(1, Math.round(lw)), Math.max(1, Math.round(lh)));
        rows = src.height;
        rowScale = 1;
      }
      const srcW = src === img ? img.naturalWidth : src.width;
      // the sway is laid out along the logo's own rows, whatever its size
      const k = img.naturalHeight / rows;
      for (let r = 0; r < rows; r++) {
        const rr = r * k;
        const dx = Math.sin(rr * 0.11 + f.t * 3.1) * wobble + Math.sin(rr * 0.05 - f.t * 1.3) * wobble * 0.5;
        const y = Math.round(y0 + r * rowScale);
        const hRow = Math.round(y0 + (r + 1) * rowScale) - y;
        if (hRow > 0) ctx.drawImage(src, 0, r, srcW, 1, Math.round(x0 + dx), y, Math.round(lw), hRow);
      }
    },
  };
}
