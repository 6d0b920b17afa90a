// Quorvane: wiring of screen, music, clock, timeline and effects.

import { Screen, LowRes } from './gfx/screen.js';
import { loadAssets } from './gfx/assets.js';
import { BitmapFont } from './gfx/bitmap-font.js';
import { DemoClock } from './clock.js';
import { sceneAt, transitionAt, captionOpacity, DEMO_END } from './timeline.js';
import { safeArea, textUnit } from './layout.js';
import { compileSong, kickSteps, sinceLast } from './music/song.js';
import { Synth } from './music/synth.js';
import { Sequencer } from './music/sequencer.js';
import { createPlasma } from './effects/plasma.js';
import { createLogo } from './effects/logo.js';
import { createCopper } from './effects/copper.js';
import { createScroller } from './effects/scroller.js';
import { createStarfield } from './effects/starfield.js';
import { createRotozoom } from './effects/rotozoom.js';
import { createFloor } from './effects/floor.js';
import { createVector } from './effects/vector.js';
import { createFire } from './effects/fire.js';
import { createGreetings } from './effects/greetings.js';
import { createCredits } from './effects/credits.js';

// The player closes its window when the page takes this title.
const EXIT_TITLE = 'vantorelix_exit';

let audio = null;
let synth = null;
let sequencer = null;
let finished = false;

function finish() {
  if (finished) return;
  finished = true;
  try {
    sequencer?.stop();
    synth?.fadeOut();
  } catch (err) {
    console.warn('quorvane: audio shutdown', err);
  }
  document.title = EXIT_TITLE;
}

// Escape works from the very first moment, even while assets load.
window.addEventListener('keydown', (e) => {
  if (e.key === 'Escape' || e.key === 'Esc') {
    e.preventDefault();
    finish();
  } else if (audio && audio.state !== 'running') {
    audio.resume().catch(() => {});
  }
});
// A demo has no use for the browser's menu (Back, Reload...) over it.
window.addEventListener('contextmenu', (e) => e.preventDefault());
window.addEventListener('pointerdown', () => {
  if (audio && audio.state !== 'running') audio.resume().catch(() => {});
});

function createAudio() {
  const AC = window.AudioContext || window.webkitAudioContext;
  if (!AC) return null;
  try {
    return new AC();
  } catch (err) {
    console.warn('quorvane: no audio', err);
    return null;
  }
}

/** Optional start offset for rehearsals: index.html#at=42 starts at 42 s. */
function startOffset() {
  const m = /(?:^#|&)at=([\d.]+)/.exec(location.hash);
  return m ? Math.min(Number(m[1]), DEMO_END - 0.1) : 0;
}

async function start() {
  const screen = new Screen(document.querySelector('canvas'));
  const low = new LowRes();
  const caption = document.getElementById('caption');

  // black until the first frame
  screen.ctx.fillStyle = '#000';
  screen.ctx.fillRect(0, 0, screen.width, screen.height);

  const events = compileSong();
  const kicks = kickSteps(events);

  audio = createAudio();
  if (audio) {
    synth = new Synth(audio);
    sequencer = new Sequencer(audio, synth, events);
    if (audio.state !== 'running') audio.resume().catch(() => {});
  }

  const assets = await loadAssets();
  const font = new BitmapFont(assets.font);
  const effects = {
    plasma: createPlasma(),
    logo: createLogo(assets),
    copper: createCopper(),
    scroller: createScroller(font),
    starfield: createStarfield(),
    rotozoom: createRotozoom(assets),
    floor: createFloor(),
    vector: createVector(),
    fire: createFire(),
    greetings: createGreetings(font),
    credits: createCredits(font),
  };

  const clock = new DemoClock(audio, (songTime, audioTime) => sequencer?.seek(songTime, audioTime));
  clock.perfOrigin -= startOffset() * 1000;

  // keep the music fed even when frames are slow
  setInterval(() => {
    if (!finished) sequencer?.pump();
  }, 40);

  const frame = {
    screen, low, font, ctx: screen.ctx,
    W: 0, H: 0, U: 0, safe: null, t: 0, lt: 0, pulse: 0, scene: null,
  };

  let captionShown = '';
  function draw() {
    if (finished) return;
    const t = clock.now();
    if (t >= DEMO_END) {
      finish();
      return;
    }
    sequencer?.pump();
    screen.sync();

    const scene = sceneAt(t);
    frame.W = screen.width;
    frame.H = screen.height;
    frame.U = textUnit(frame.W, frame.H);
    // where scene texts may go: clear of the edges and of the caption
    frame.safe = safeArea(frame.W, frame.H, window.innerWidth, window.innerHeight, screen.pxPerCss);
    frame.t = t;
    frame.lt = t - scene.start;
    frame.scene = scene;
    // beat envelope: 1 on every kick, decaying in about a quarter second
    frame.pulse = Math.exp(-sinceLast(kicks, t) * 9);

    const ctx = screen.ctx;
    ctx.save();
    ctx.globalAlpha = 1;
    ctx.globalCompositeOperation = 'source-over';
    ctx.imageSmoothingEnabled = false;
    for (const layer of scene.layers) {
      ctx.save();
      effects[layer.fx].render(frame, layer.opts);
      ctx.restore();
    }
    const { black, white } = transitionAt(t);
    if (white > 0) {
      ctx.fillStyle = `rgba(255,255,255,${white})`;
      ctx.fillRect(0, 0, frame.W, frame.H);
    }
    if (black > 0) {
      ctx.fillStyle = `rgba(0,0,0,${black})`;
      ctx.fillRect(0, 0, frame.W, frame.H);
    }
    ctx.restore();

    const opacity = captionOpacity(t).toFixed(2);
    if (opacity !== captionShown) caption.style.opacity = captionShown = opacity;

    requestAnimationFrame(draw);
  }
  requestAnimationFrame(draw);
}

start().catch((err) => {
  console.error('quorvane: failed to start', err);
});
