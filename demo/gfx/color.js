// Colour helpers shared by the per-pixel effects.
//
// Pixels are written through a Uint32Array view of ImageData, so a colour is
// packed in the byte order of the machine (little-endian on every platform
// the player runs on, but checked anyway).

const littleEndian = new Uint8Array(new Uint32Array([1]).buffer)[0] === 1;

/** Pack an opaque RGB colour (0..255 channels) for a Uint32 pixel view. */
export function pack(r, g, b) {
  r = r < 0 ? 0 : r > 255 ? 255 : r | 0;
  g = g < 0 ? 0 : g > 255 ? 255 : g | 0;
  b = b < 0 ? 0 : b > 255 ? 255 : b | 0;
  return littleEndian
    ? ((255 << 24) | (b << 16) | (g << 8) | r) >>> 0
    : ((r << 24) | (g << 16) | (b << 8) | 255) >>> 0;
}

/** Piecewise linear colour ramp: stops are [position, [r, g, b]]. */
export function ramp(stops, t) {
  if (t <= stops[0][0]) return stops[0][1];
  for (let i = 1; i < stops.length; i++) {
    const [p1, c1] = stops[i];
    if (t <= p1) {
      const [p0, c0] = stops[i - 1];
      const k = (t - p0) / (p1 - p0 || 1);
      return [c0[0] + (c1[0] - c0[0]) * k, c0[1] + (c1[1] - c0[1]) * k, c0[2] + (c1[2] - c0[2]) * k];
    }
  }
  return stops[stops.length - 1][1];
}

/** Build a 256-entry packed palette from a ramp. */
export function paletteFromRamp(stops) {
  const pal = new Uint32Array(256);
  for (let i = 0; i < 256; i++) {
    const [r, g, b] = ramp(stops, i / 255);
    pal[i] = pack(r, g, b);
  }
  return pal;
}

export function clamp01(v) {
  return v < 0 ? 0 : v > 1 ? 1 : v;
}

export function smoothstep(a, b, v) {
  const t = clamp01((v - a) / (b - a));
  return t * t * (3 - 2 * t);
}
