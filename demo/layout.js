// Where things go on the screen. Plain arithmetic over the canvas size, kept
// apart from the drawing so that every effect keeps to the same margins and
// stays clear of the caption at every screen shape, tall ones included.
// Sizes are in canvas pixels unless a name says CSS.

/** Margin kept at every edge, as a share of the shorter side. */
const EDGE_SHARE = 0.03;

export function edgeMargin(W, H) {
  return Math.max(4, Math.round(Math.min(W, H) * EDGE_SHARE));
}

/**
 * The caption's box as the #caption rule in index.html lays it out: font
 * size clamp(11px, 2.2vmin, 22px), line height 1.2, 1.2vmin from the bottom.
 * The two must change together.
 */
export const CAPTION = { fontMin: 11, fontVmin: 2.2, fontMax: 22, lineHeight: 1.2, bottomVmin: 1.2 };

/** CSS pixels the caption takes up from the bottom of a cssW x cssH window. */
export function captionCssHeight(cssW, cssH) {
  const vmin = Math.min(cssW, cssH) / 100;
  const font = Math.min(CAPTION.fontMax, Math.max(CAPTION.fontMin, CAPTION.fontVmin * vmin));
  return font * CAPTION.lineHeight + CAPTION.bottomVmin * vmin;
}

/**
 * The rectangle scene texts keep to on a W x H canvas shown in a cssW x cssH
 * window, `pxPerCss` canvas pixels to the CSS pixel: an edge margin all
 * round, and the caption's band along the bottom kept free. The bottom is
 * measured from the window's edge, which may cut a sliver off the canvas.
 */
export function safeArea(W, H, cssW, cssH, pxPerCss) {
  const m = edgeMargin(W, H);
  const visibleH = Math.min(H, cssH * pxPerCss);
  const captionTop = visibleH - captionCssHeight(cssW, cssH) * pxPerCss;
  return { left: m, right: W - m, top: m, bottom: Math.min(visibleH - m, captionTop - m) };
}

/** The text size unit: the height of a 16:9 picture fitting the screen. */
export function textUnit(W, H) {
  return Math.min(H, (W * 9) / 16);
}

/** Logo pixels per glyph pixel in assets/logo.png: the width of a letter's stroke. */
export const LOGO_STROKE = 8;

/** How far the two sines of the logo's sway reach together, in amplitudes. */
const LOGO_SWAY_SINES = 1.5;
/** How much a kick widens the sway. */
export const LOGO_KICK = 0.8;

/**
 * Size and sway of the logo for a layer's options. `wobble` is the sway's
 * amplitude in stroke widths, so the logo reads the same at every size; its
 * widest reach (`reach`, both sines on a kick) stays within a stroke.
 */
export function logoLayout(W, H, opts = {}, imgW = 405, imgH = 72) {
  const scale = Math.min((W * (opts.width ?? 0.6)) / imgW, (H * 0.3) / imgH);
  const stroke = LOGO_STROKE * scale;
  const amplitude = (opts.wobble ?? 0.3) * stroke;
  const w = imgW * scale;
  const h = imgH * scale;
  const bounce = opts.bounce ? H * 0.08 : 0;
  const cy = H * (opts.y ?? 0.3);
  return {
    scale, w, h, stroke, amplitude, bounce, cy,
    reach: amplitude * LOGO_SWAY_SINES * (1 + LOGO_KICK),
    band: { top: cy - bounce - h / 2, bottom: cy + h / 2 },
  };
}

/** The scroller's reflection is squashed to this share of its height. */
export const MIRROR_SQUASH = 0.55;

/**
 * Rows a sine scroller covers: its text `size` centred at `y` (share of the
 * height) with a wave of `amp` either way, and its reflection below when it
 * has one. Size and wave are in text units, so that on a tall screen the
 * wave does not shear the letters more than on a wide one.
 */
export function scrollerLayout(W, H, opts = {}) {
  const U = textUnit(W, H);
  const textH = U * (opts.size ?? 0.12);
  const amp = (opts.amp ?? 0.08) * U;
  const baseY = H * (opts.y ?? 0.5) - textH / 2;
  const top = baseY - amp;
  // glyphs are drawn rounded up to whole pixels
  let bottom = baseY + textH + amp + 1;
  let axis = null;
  if (opts.mirror) {
    axis = bottom + H * 0.02;
    bottom = axis + MIRROR_SQUASH * (axis - top);
  }
  return { textH, amp, baseY, axis, band: { top, bottom } };
}

/** Where greetings fade out, as a share of the height: below the fire's logo. */
const GREETINGS_GONE = 0.28;

/**
 * The greetings rise through a band from the top of the caption's band up
 * to below the logo, fading in as they come out at the bottom and out as
 * they near the logo, at the speed that has the last line gone by the end
 * of the scene (`duration` seconds) whatever the screen's shape. Returns
 * each line's top and opacity at `lt` seconds into the scene.
 */
export function greetingLines(count, lt, duration, W, H, safe) {
  const textH = textUnit(W, H) * 0.055;
  const spacing = textH * 1.7 * 1.4;
  const top = H * GREETINGS_GONE;
  const bottom = safe.bottom - textH - 1;
  const start = bottom + textH;
  const rise = (lt / (duration * 0.95)) * (start + (count - 1) * spacing - top);
  const lines = [];
  for (let i = 0; i < count; i++) {
    const y = start + i * spacing - rise;
    const alpha = Math.min(1, (y - top) / (H * 0.12), (bottom - y) / (H * 0.05));
    lines.push({ y, textH, alpha: Math.max(0, alpha) });
  }
  return { lines, band: { top, bottom: safe.bottom } };
}

/**
 * The closing credits' lines, `sizes` in text units, centred in the safe
 * area. Returns each line's top and height.
 */
export function creditsLayout(W, H, safe, sizes) {
  const unit = textUnit(W, H) * 0.045;
  const heights = sizes.map((s) => unit * s * 1.35);
  const total = heights.reduce((a, b) => a + b, 0);
  let y = (safe.top + safe.bottom - total) / 2;
  const tops = heights.map((h) => (y += h) - h);
  return { unit, heights, tops, band: { top: tops[0], bottom: tops[0] + total } };
}

/** How far the camera is from the vector's centre, in the shape's units. */
export const VECTOR_DISTANCE = 6;

/**
 * The glenz vector's furthest point from the centre on screen, per unit of
 * `size`: its corners lie sqrt(3) from its centre, it is seen from `distance`
 * away, and a point at radius r projects at most r / sqrt(d^2 - r^2).
 */
export function vectorReach(radius = Math.sqrt(3), distance = VECTOR_DISTANCE) {
  return radius / Math.sqrt(distance * distance - radius * radius);
}

/** How much a kick grows the vector. */
export const VECTOR_KICK = 0.08;

/**
 * The vector's size and swing: as big as the height allows on wide screens,
 * from the width on narrow ones, the swing cut to the room left over, so the
 * whole shape stays within the edge margins.
 */
export function vectorLayout(W, H) {
  const m = edgeMargin(W, H);
  const grow = 1 + VECTOR_KICK;
  const cy = H * 0.4;
  const swingY = H * 0.05;
  const halfW = W / 2 - m;
  const radius = Math.min(vectorReach() * H * 0.95 * grow, cy - swingY - m, halfW * 0.75);
  const swingX = Math.min(W * 0.18, halfW - radius);
  return { size: radius / (vectorReach() * grow), cx: W / 2, cy, swingX, swingY, radius };
}
