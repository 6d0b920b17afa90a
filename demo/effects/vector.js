// Glenz vector: a spiked cube of see-through triangles in two alternating
// colours. Back faces are drawn first and darker, then the front faces.

import { vectorLayout, VECTOR_KICK, VECTOR_DISTANCE } from '../layout.js';

function buildShape() {
  const tris = [];
  const faces = [
    [[1, 0, 0], [0, 1, 0], [0, 0, 1]], [[-1, 0, 0], [0, 0, 1], [0, 1, 0]],
    [[0, 1, 0], [0, 0, 1], [1, 0, 0]], [[0, -1, 0], [1, 0, 0], [0, 0, 1]],
    [[0, 0, 1], [1, 0, 0], [0, 1, 0]], [[0, 0, -1], [0, 1, 0], [1, 0, 0]],
  ];
  faces.forEach(([n, a, b], fi) => {
    const corner = (sa, sb) => [0, 1, 2].map((k) => n[k] + a[k] * sa + b[k] * sb);
    const quad = [corner(-1, -1), corner(1, -1), corner(1, 1), corner(-1, 1)];
    const apex = n.map((v) => v * 1.55);
    for (let i = 0; i < 4; i++) tris.push({ v: [quad[i], quad[(i + 1) % 4], apex], colour: (fi + i) & 1 });
  });
  return tris;
}

function rotate([x, y, z], ax, ay, az) {
  let c = Math.cos(ax), s = Math.sin(ax);
  [y, z] = [y * c - z * s, y * s + z * c];
  c = Math.cos(ay); s = Math.sin(ay);
  [x, z] = [x * c + z * s, -x * s + z * c];
  c = Math.cos(az); s = Math.sin(az);
  [x, y] = [x * c - y * s, x * s + y * c];
  return [x, y, z];
}

const sub = (a, b) => [a[0] - b[0], a[1] - b[1], a[2] - b[2]];
const cross = (a, b) => [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]];
const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];

const COLOURS = [[120, 230, 255], [255, 80, 200]];
const LIGHT = (() => {
  const l = [-0.4, -0.6, -0.7];
  const n = Math.hypot(...l);
  return l.map((v) => v / n);
})();

export function createVector() {
  const shape = buildShape();
  const DIST = VECTOR_DISTANCE;

  return {
    render(f) {
      const { ctx, W, H } = f;
      const t = f.lt;
      const L = vectorLayout(W, H);
      const size = L.size * (1 + VECTOR_KICK * f.pulse);
      const cx = L.cx + Math.sin(t * 0.7) * L.swingX;
      const cy = L.cy + Math.sin(t * 1.3) * L.swingY;
      const ax = t * 0.9, ay = t * 0.63, az = t * 0.31;

      const polys = shape.map((tri) => {
        const v = tri.v.map((p) => rotate(p, ax, ay, az));
        let n = cross(sub(v[1], v[0]), sub(v[2], v[0]));
        const centre = [0, 1, 2].map((k) => (v[0][k] + v[1][k] + v[2][k]) / 3);
        if (dot(n, centre) < 0) n = n.map((x) => -x); // outward
        const len = Math.hypot(...n) || 1;
        n = n.map((x) => x / len);
        const toCam = sub(centre, [0, 0, -DIST]);
        const front = dot(n, toCam) < 0;
        const pts = v.map(([x, y, z]) => [cx + (x * size) / (z + DIST), cy + (y * size) / (z + DIST)]);
        const light = 0.35 + 0.65 * Math.max(0, dot(n, LIGHT));
        return { pts, depth: centre[2], front, light, colour: tri.colour };
      });

      const back = polys.filter((p) => !p.front).sort((a, b) => b.depth - a.depth);
      const front = polys.filter((p) => p.front).sort((a, b) => b.depth - a.depth);
      ctx.lineJoin = 'round';
      for (const [list, alpha, dim] of [[back, 0.45, 0.45], [front, 0.6, 1]]) {
        for (const p of list) {
          const [r, g, b] = COLOURS[p.colour].map((c) => Math.min(255, c * p.light * dim + 40 * f.pulse) | 0);
          ctx.beginPath();
          ctx.moveTo(p.pts[0][0], p.pts[0][1]);
          ctx.lineTo(p.pts[1][0], p.pts[1][1]);
          ctx.lineTo(p.pts[2][0], p.pts[2][1]);
          ctx.closePath();
          ctx.fillStyle = `rgba(${r},${g},${b},${alpha})`;
          ctx.fill();
          if (list === front) {
            ctx.strokeStyle = `rgba(255,255,255,${0.25 + 0.3 * f.pulse})`;
            ctx.lineWidth = Math.max(1, H / 540);
            ctx.stroke();
          }
        }
      }
    },
  };
}
