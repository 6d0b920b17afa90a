// The output canvas and the low-resolution buffer used by per-pixel effects.

/**
 * Pixel budget of the output canvas: about 640x360. A software-rendered
 * engine pays for every backing-store pixel on every frame (drawing,
 * uploading, compositing), so the canvas is kept near this size and the
 * page scales it up by a whole number without smoothing, which is also how
 * the machines of the time looked.
 */
const OUTPUT_PIXELS = 640 * 360;

/**
 * How many device pixels wide one canvas pixel is drawn for a window of
 * `deviceW` x `deviceH` device pixels. Windows up to a little over the budget
 * keep one-to-one pixels; 1280x720 and 1366x768 get 2, 1920x1080 gets 3,
 * 2560x1440 gets 4.
 */
export function pixelScale(deviceW, deviceH, budget = OUTPUT_PIXELS) {
  const area = Math.max(1, deviceW) * Math.max(1, deviceH);
  return Math.max(1, Math.ceil(Math.sqrt(area / budget) - 0.25));
}

/**
 * The output canvas. Its backing store is the window's size in device
 * pixels divided by `pixelScale`, and its CSS size is that many device
 * pixels per canvas pixel, so `image-rendering: pixelated` turns every
 * canvas pixel into an even, sharp block on any screen, HiDPI included.
 * Follows resizes and full-screen changes.
 */
export class Screen {
  constructor(canvas) {
    this.canvas = canvas;
    this.ctx = canvas.getContext('2d', { alpha: false });
    this.width = 1;
    this.height = 1;
    this.scale = 1;
    this.pxPerCss = 1;
    this.deviceW = 0;
    this.deviceH = 0;
    this.resize();
    window.addEventListener('resize', () => this.resize());
  }

  resize() {
    const dpr = window.devicePixelRatio || 1;
    const deviceW = Math.max(1, Math.round(window.innerWidth * dpr));
    const deviceH = Math.max(1, Math.round(window.innerHeight * dpr));
    const k = pixelScale(deviceW, deviceH);
    // round up: a sliver past the window's edge is cut off by the page
    const w = Math.ceil(deviceW / k);
    const h = Math.ceil(deviceH / k);
    if (w !== this.canvas.width || h !== this.canvas.height) {
      this.canvas.width = w;
      this.canvas.height = h;
    }
    this.canvas.style.width = (w * k) / dpr + 'px';
    this.canvas.style.height = (h * k) / dpr + 'px';
    this.width = w;
    this.height = h;
    this.scale = k;
    this.pxPerCss = dpr / k;
    this.deviceW = deviceW;
    this.deviceH = deviceH;
    // resizing a canvas resets its state: chunky pixels are part of the look
    this.ctx.imageSmoothingEnabled = false;
  }

  /** Re-read the size once per frame: some resizes come without an event. */
  sync() {
    const dpr = window.devicePixelRatio || 1;
    if (Math.round(window.innerWidth * dpr) !== this.deviceW ||
        Math.round(window.innerHeight * dpr) !== this.deviceH) {
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

  /**
   * Scale the buffer up to `width` x `height`, leaving out its last
   * `hiddenRows` rows: working rows an effect needs but nobody should see.
   */
  present(ctx, width, height, hiddenRows = 0) {
    this.ctx.putImageData(this.image, 0, 0);
    ctx.imageSmoothingEnabled = false;
    ctx.drawImage(this.canvas, 0, 0, this.w, this.h - hiddenRows, 0, 0, width, height);
  }
}

/**
 * A full-screen picture that only depends on the screen's size (a gradient
 * backdrop, say), painted once into an offscreen canvas and then copied:
 * a copy is much cheaper than filling a gradient on every frame in a
 * software renderer.
 */
export class CachedBackdrop {
  constructor(paint) {
    this.paint = paint;
    this.canvas = null;
  }

  draw(ctx, W, H) {
    if (!this.canvas || this.canvas.width !== W || this.canvas.height !== H) {
      this.canvas = document.createElement('canvas');
      this.canvas.width = W;
      this.canvas.height = H;
      this.paint(this.canvas.getContext('2d'), W, H);
    }
    ctx.drawImage(this.canvas, 0, 0);
  }
}
