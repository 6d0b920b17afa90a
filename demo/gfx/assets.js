// Loading of the demo's own PNG files (made by tools/demo-assets).

function loadImage(url) {
  return new Promise((resolve) => {
    const img = new Image();
    img.onload = () => resolve(img);
    img.onerror = () => {
      console.warn(`quorvane: could not load ${url}`);
      resolve(null);
    };
    img.src = url;
  });
}

/**
 * Resolves with { font, logo, texture }; a missing image becomes null and
 * the effects fall back to something drawn in code. Never waits longer than
 * `timeoutMs`, so the show starts on time whatever happens.
 */
export async function loadAssets(timeoutMs = 2500) {
  const names = { font: 'assets/font.png', logo: 'assets/logo.png', texture: 'assets/texture.png' };
  const out = { font: null, logo: null, texture: null };
  const jobs = Object.entries(names).map(async ([key, url]) => {
    out[key] = await loadImage(url);
  });
  await Promise.race([Promise.all(jobs), new Promise((r) => setTimeout(r, timeoutMs))]);
  return out;
}

/**
 * Read the pixels of an image. Returns null when the canvas cannot be read
 * back (a browser may treat the page's own scheme as cross-origin).
 */
export function readPixels(img) {
  if (!img) return null;
  try {
    const c = document.createElement('canvas');
    c.width = img.naturalWidth;
    c.height = img.naturalHeight;
    const g = c.getContext('2d');
    g.drawImage(img, 0, 0);
    return g.getImageData(0, 0, c.width, c.height);
  } catch (err) {
    console.warn('quorvane: image pixels not readable, using a generated fallback', err);
    return null;
  }
}
