// The output canvas and the low-resolution buffer used by per-pixel effects.

/**
 * Keeps the canvas backing store at window size times devicePixelRatio, so
 * lines and text stay sharp on HiDPI screens, and follows resizes and
 * full-screen changes.
 */
export class Screen {
  constructor(canvas) {
    this.canvas = canvas;
    this.ctx = canvas.getContext('2d', { alpha: false });
    this.width = 1;
    this.height = 1;
    this.dpr = 1;
    this.resize();
    window.addEventListener('resize', () => this.resize());
  }

  resize() {
    const dpr = window.devicePixelRatio || 1;
    const cssW = Math.max(1, window.innerWidth);
    const cssH = Math.max(1, window.innerHeight);
    const w = Math.max(1, Math.round(cssW * dpr));
    const h = Math.max(1, Math.round(cssH * dpr));
    if (w !== this.canvas.width || h !== this.canvas.height) {
      this.canvas.width = w;
      this.canvas.height = h;
    }
    this.canvas.style.width = cssW + 'px';
    this.canvas.style.height = cssH + 'px';
    this.width = w;
    this.height = h;
    this.dpr = dpr;
    // resizing a canvas resets its state: chunky pixels are part of the look
    this.ctx.imageSmoothingEnabled = false;
  }

  /** Re-read the size once per frame: some resizes come without an event. */
  sync() {
    const dpr = window.devicePixelRatio || 1;
    if (Math.round(window.innerWidth * dpr) !== this.width ||
        Math.round(window.innerHeight * dpr) !== this.height) {
      this.resize();
    }
  }
}

/** Pixel budget of the low-resolution buffer: about 320x180. */
const LOW_PIXELS = 320 * 180;

/**
 * An offscreen ImageData of roughly 57 600 pixels with the aspect ratio of
 * the screen. Effects write packed colours into `pixels`, then `present()`
 * scales it up to the whole canvas without smoothing.
 */
export class LowRes {
  constructor() {
    this.canvas = document.createElement('canvas');
    this.ctx = this.canvas.getContext('2d');
    this.w = 0;
    this.h = 0;
    this.fit(16 / 9);
  }

  /** Match the aspect ratio of the output; cheap when nothing changed. */
  fit(aspect) {
    const a = Math.min(8, Math.max(1 / 8, aspect));
    const w = Math.max(16, Math.round(Math.sqrt(LOW_PIXELS * a)));
    const h = Math.max(16, Math.round(w / a));
    if (w === this.w && h === this.h) return;
    this.w = w;
    this.h = h;
    this.canvas.width = w;
    this.canvas.height = h;
    this.image = this.ctx.createImageData(w, h);
    this.pixels = new Uint32Array(this.image.data.buffer);
  }

  fitScreen(screen) {
    this.fit(screen.width / screen.height);
  }

  present(ctx, width, height) {
    this.ctx.putImageData(this.image, 0, 0);
    ctx.imageSmoothingEnabled = false;
    ctx.drawImage(this.canvas, 0, 0, this.w, this.h, 0, 0, width, height);
  }
}
