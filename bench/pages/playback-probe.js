// Measuring script of the playback benchmark, added to the bench copy of the
// demo (never to the demo itself) as the first script of its page. It watches
// the page from the inside and posts what it saw, once a second, to the
// harness's collector on the loopback interface:
//
// - the timestamp of every animation frame the page asks for, from which the
//   harness works out frames per second and frame times;
// - when the demo's first frame was drawn, and its first frame with lit
//   pixels (the canvas is read back only until that frame is found);
// - pairs of wall time and the page's AudioContext.currentTime, for the rate
//   of the audio clock;
// - pairs of wall time and the demo's song time, read from its own clock
//   four times a second, for the rate at which the demo's timeline runs;
// - the demo's scenes, from its own timeline module, and when it ended;
// - the size of the page's viewport and of its canvas.
//
// Every time is in epoch milliseconds (performance.timeOrigin plus
// performance.now()), so the harness can set it beside its own clock.
(() => {
  const collector = '/*COLLECTOR*/';
  // The title the demo sets when it is over (bench/playback.py writes it in).
  const exitTitle = '/*EXIT_TITLE*/';
  // A pixel is lit when its red, green and blue add up to more than this
  // share of full scale, as in the player's own self-check.
  const litShare = 0.12;
  const litLimit = litShare * 3 * 255;
  // Readbacks stop after this long even if no lit frame came, so a page that
  // stays black is not slowed down for the rest of the run.
  const litSearchMs = 15000;

  const now = () => performance.timeOrigin + performance.now();
  const report = {
    timeOrigin: performance.timeOrigin,
    firstDraw: null,
    firstLit: null,
    scenes: null,
    ended: null,
    viewport: null,
    canvas: null,
    frames: [],
    audio: [],
    song: [],
    audioState: null,
    errors: [],
  };
  let sentFrames = 0;
  let sentAudio = 0;
  let sentSong = 0;
  // Song time is sampled at most this often.
  const songSampleMs = 250;

  // The demo makes one AudioContext; keep hold of it to read its clock.
  const contexts = [];
  const NativeContext = window.AudioContext;
  if (NativeContext) {
    window.AudioContext = class extends NativeContext {
      constructor(...args) {
        super(...args);
        contexts.push(this);
      }
    };
  }

  function isLit(canvas) {
    const ctx = canvas.getContext('2d');
    const { data, width } = ctx.getImageData(0, 0, canvas.width, canvas.height);
    // Every fourth pixel of every fourth row, like the self-check.
    for (let y = 0; y < canvas.height; y += 4) {
      for (let x = 0; x < width; x += 4) {
        const i = (y * width + x) * 4;
        if (data[i] + data[i + 1] + data[i + 2] > litLimit) return true;
      }
    }
    return false;
  }

  function afterDraw() {
    const t = now();
    if (report.firstDraw === null) report.firstDraw = t;
    if (report.firstLit === null && t - report.firstDraw < litSearchMs) {
      const canvas = document.querySelector('canvas');
      try {
        if (canvas && isLit(canvas)) report.firstLit = now();
      } catch (err) {
        report.errors.push(`readback: ${err}`);
        report.firstLit = -1;
      }
    }
    if (report.ended === null && document.title === exitTitle) {
      report.ended = t;
      // The player and the floor close on this title: say so at once.
      send();
    }
    const audio = contexts[0];
    if (audio) {
      report.audio.push([t, audio.currentTime]);
      report.audioState = audio.state;
    }
  }

  // Every animation frame's timestamp, whoever asked for it; the demo's own
  // callbacks are followed by the lit-pixel check and the audio sample.
  const nativeRequest = window.requestAnimationFrame.bind(window);
  let lastFrame = -1;
  window.requestAnimationFrame = (callback) =>
    nativeRequest((timestamp) => {
      if (timestamp !== lastFrame) {
        lastFrame = timestamp;
        report.frames.push(performance.timeOrigin + timestamp);
      }
      callback(timestamp);
      afterDraw();
    });

  // The demo's clock is a module of its own: the page's instance of it is
  // the one imported here, so every reading the demo takes passes by.
  import('./clock.js')
    .then(({ DemoClock }) => {
      const nativeNow = DemoClock.prototype.now;
      DemoClock.prototype.now = function now_() {
        const song = nativeNow.call(this);
        const t = now();
        const last = report.song[report.song.length - 1];
        if (!last || t - last[0] >= songSampleMs) report.song.push([t, song]);
        return song;
      };
    })
    .catch((err) => report.errors.push(`clock: ${err}`));

  import('./timeline.js')
    .then((timeline) => {
      report.scenes = timeline.scenes.map(({ name, start, end }) => ({ name, start, end }));
    })
    .catch((err) => report.errors.push(`timeline: ${err}`));

  function send() {
    const canvas = document.querySelector('canvas');
    report.viewport = [window.innerWidth, window.innerHeight, window.devicePixelRatio];
    if (canvas) report.canvas = [canvas.width, canvas.height];
    const body = JSON.stringify({
      ...report,
      frames: report.frames.slice(sentFrames),
      audio: report.audio.slice(sentAudio),
      song: report.song.slice(sentSong),
      frameOffset: sentFrames,
      sent: now(),
    });
    sentFrames = report.frames.length;
    sentAudio = report.audio.length;
    sentSong = report.song.length;
    fetch(collector, { method: 'POST', mode: 'no-cors', body, keepalive: true }).catch(() => {});
  }
  setInterval(send, 1000);
})();
