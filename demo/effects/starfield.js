// 3D starfield. Every star's depth is a pure function of time, so the
// field is the same whatever the frame rate; fast stars leave streaks.

import { CachedBackdrop } from '../gfx/screen.js';

const COUNT = 800;
const BUCKETS = 6;

function rng(seed) {
  let s = seed >>> 0;
  return () => {
    s = (s * 1664525 + 1013904223) >>> 0;
    return s / 4294967296;
  };
}

export function createStarfield() {
  const rand = rng(1992);
  const sx = new Float32Array(COUNT);
  const sy = new Float32Array(COUNT);
  const sz = new Float32Array(COUNT);
  for (let i = 0; i < COUNT; i++) {
    sx[i] = rand() * 2 - 1;
    sy[i] = rand() * 2 - 1;
    sz[i] = rand();
  }
  const colours = [];
  for (let b = 0; b < BUCKETS; b++) {
    const k = (b + 1) / BUCKETS;
    colours.push(`rgb(${(120 + 135 * k) | 0},${(140 + 115 * k) | 0},255)`);
  }

  const backdrop = new CachedBackdrop((g, W, H) => {
    const bg = g.createRadialGradient(W / 2, H / 2, 0, W / 2, H / 2, Math.max(W, H) * 0.7);
    bg.addColorStop(0, '#0b0630');
    bg.addColorStop(1, '#000000');
    g.fillStyle = bg;
    g.fillRect(0, 0, W, H);
  });

  // The stars are stroked into a layer of their own that is kept in main
  // memory, then copied onto the screen in one piece. Stroked straight onto
  // a canvas that the engine draws with the GPU, every frame's new star
  // paths were kept as GPU resources: WebKitGTK's web process grew by
  // 100 MiB and more within the scene. A layer asked for with
  // `willReadFrequently` is drawn by the CPU, where a stroked path leaves
  // nothing behind; the strokes themselves are the same.
  let layer = null;
  let layerCtx = null;

  function clearedLayer(W, H) {
    if (!layer) {
      layer = document.createElement('canvas');
      layerCtx = layer.getContext('2d', { willReadFrequently: true });
    }
    if (layer.width !== W || layer.height !== H) {
      layer.width = W; // resizing clears it
      layer.height = H;
    } else {
      layerCtx.clearRect(0, 0, W, H);
    }
    return layerCtx;
  }

  return {
    render(f, opts = {}) {
      const { W, H, t } = f;
      const speed = opts.speed ?? 0.3;
      if (!opts.overlay) backdrop.draw(f.ctx, W, H);
      const ctx = clearedLayer(W, H);
      // the camera drifts in a slow circle, and surges on every kick
      const surge = 1 + f.pulse * 1.5;
      const travel = t * speed + f.pulse * 0.01;
      const fov = Math.max(W, H) * 0.45;
      const cx = W / 2 + Math.sin(t * 0.4) * W * 0.05;
      const cy = H / 2 + Math.cos(t * 0.3) * H * 0.05;
      const streak = speed * 0.06 * surge;
      const dot = Math.max(1, H / 360);

      ctx.lineCap = 'round';
      for (let b = 0; b < BUCKETS; b++) {
        ctx.beginPath();
        ctx.strokeStyle = colours[b];
        ctx.lineWidth = dot * (0.6 + b * 0.45);
        for (let i = 0; i < COUNT; i++) {
          let z = sz[i] - travel;
          z -= Math.floor(z);
          const d = 0.02 + z;
          // nearer stars belong to the brighter buckets
          if (Math.min(BUCKETS - 1, Math.floor((1 - z) * BUCKETS)) !== b) continue;
          const x = cx + (sx[i] / d) * fov;
          const y = cy + (sy[i] / d) * fov;
          if (x < -10 || y < -10 || x > W + 10 || y > H + 10) continue;
          const dp = d + streak;
          const px = cx + (sx[i] / dp) * fov;
          const py = cy + (sy[i] / dp) * fov;
          ctx.moveTo(px, py);
          ctx.lineTo(x + 0.01, y);
        }
        ctx.stroke();
      }
      f.ctx.drawImage(layer, 0, 0);
    },
  };
}
