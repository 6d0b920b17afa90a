// The demo clock: song time in seconds.
//
// Song time runs on the wall clock, performance.now(). The music is scheduled
// on the AudioContext's own clock, so the clock's other task is to keep the
// two together: it works out which context time is being heard right now and
// tells the sequencer where song time lies on the context clock. When what is
// heard drifts from the picture by more than HARD_SYNC (the context was
// suspended, its clock stalled, the sound device dropped out), the music is
// sought to the picture; the picture never jumps. Smaller drifts ease the
// picture onto the sound, by at most MAX_SLEW of its rate, so song time keeps
// wall time within half a percent whatever the audio clock does.
//
// Which context time is heard now: getOutputTimestamp() tells it precisely
// when it is right, but engines have shipped wrong ones for long periods. One
// gives a performanceTime that runs at twice performance.now() (at 5 s of
// wall time it reads 9,929 ms); trusting it makes the heard audio seem to
// stand still, and the music is sought again and again while the picture is
// pulled back. So the timestamp is used only while it agrees with the wall
// clock (see OutputTimestampCheck); otherwise the heard time is currentTime
// minus the output latency the context reports.

const STALL_MS = 250; // the audio clock counts as stopped after this long
const HARD_SYNC = 0.2; // seconds of drift that re-align the music
// The music is re-aligned at most this often. An audio thread that cannot
// keep up lets its clock fall behind again at once; seeking it again and
// again would stack up voices and only slow it down further.
const RESYNC_INTERVAL_MS = 2000;
const SLEW_SHARE = 0.1; // share of a small drift taken up per frame
export const MAX_SLEW = 0.005; // the most the picture's rate is bent

// What an output timestamp must satisfy to be believed.
const FUTURE_TOLERANCE_MS = 2; // rounding of performanceTime
const MAX_OUTPUT_LATENCY_MS = 500; // older readings are not an output latency
const RATE_BASELINE_MS = 2000; // rates are judged over at least this long
const RATE_TOLERANCE = 0.02; // both times must run at 1 ± this of wall time

/**
 * Judges AudioContext output timestamps against the wall clock. A timestamp
 * is trusted once it has advanced at wall rate over a baseline of two
 * seconds: for example readings (contextTime 1.0 s, performanceTime 1,010 ms)
 * at wall 1,020 ms and (3.0 s, 3,012 ms) at 3,030 ms advanced 2,000 ms and
 * 2,002 ms in 2,010 ms of wall time, both within 2 % of it, so the second
 * reading is used. Any reading that lies in the future or more than 500 ms in the
 * past is refused at once and starts the baseline again.
 */
export class OutputTimestampCheck {
  constructor() {
    this.reference = null; // a plausible reading to judge rates against
    this.trusted = false;
  }

  /** The context time heard at wall time `perfNow`, or null if `ts` is not to be believed. */
  heardTime(ts, perfNow) {
    const plausible =
      ts &&
      ts.contextTime > 0 &&
      ts.performanceTime > 0 &&
      ts.performanceTime <= perfNow + FUTURE_TOLERANCE_MS &&
      perfNow - ts.performanceTime <= MAX_OUTPUT_LATENCY_MS;
    if (!plausible) {
      this.reference = null;
      this.trusted = false;
      return null;
    }
    const reading = { context: ts.contextTime * 1000, performance: ts.performanceTime, wall: perfNow };
    const ref = this.reference;
    if (!ref) {
      this.reference = reading;
    } else if (perfNow - ref.wall >= RATE_BASELINE_MS) {
      const wall = perfNow - ref.wall;
      const atWallRate = (span) => Math.abs(span / wall - 1) <= RATE_TOLERANCE;
      this.trusted = atWallRate(reading.performance - ref.performance) && atWallRate(reading.context - ref.context);
      this.reference = reading;
    }
    return this.trusted ? ts.contextTime + (perfNow - ts.performanceTime) / 1000 : null;
  }
}

export class DemoClock {
  /**
   * @param {AudioContext|null} audio
   * @param {(songTime:number, audioTime:number) => void} onAudioSync
   *        called whenever song time is tied anew to the audio clock
   * @param {() => number} wallNow the wall clock in milliseconds
   */
  constructor(audio, onAudioSync, wallNow = () => performance.now()) {
    this.audio = audio;
    this.onAudioSync = onAudioSync;
    this.wallNow = wallNow;
    this.perfOrigin = wallNow(); // wall ms at song time 0
    this.audioOffset = null; // context seconds at song time 0
    this.timestamps = new OutputTimestampCheck();
    this.lastAudio = -1;
    this.lastAudioChange = -Infinity;
    this.lastWall = this.perfOrigin;
    this.lastSync = -Infinity;
    this.last = 0;
    this.source = 'performance';
  }

  /** The context time that is reaching the speakers at wall time `perfNow`. */
  heardAudioTime(perfNow) {
    const a = this.audio;
    const ts = typeof a.getOutputTimestamp === 'function' ? a.getOutputTimestamp() : null;
    const heard = this.timestamps.heardTime(ts, perfNow);
    if (heard !== null) return heard;
    return a.currentTime - (a.outputLatency || a.baseLatency || 0);
  }

  now() {
    const perfNow = this.wallNow();
    const elapsed = Math.max(0, perfNow - this.lastWall) / 1000;
    this.lastWall = perfNow;
    let t = (perfNow - this.perfOrigin) / 1000;
    this.source = 'performance';
    const a = this.audio;
    if (a && a.state === 'running') {
      if (a.currentTime !== this.lastAudio) {
        this.lastAudio = a.currentTime;
        this.lastAudioChange = perfNow;
      }
      if (perfNow - this.lastAudioChange < STALL_MS && a.currentTime > 0) {
        const heard = this.heardAudioTime(perfNow);
        const drift = this.audioOffset === null ? Infinity : heard - this.audioOffset - t;
        const mayResync = perfNow - this.lastSync >= RESYNC_INTERVAL_MS;
        if (Math.abs(drift) > HARD_SYNC && mayResync) {
          this.lastSync = perfNow;
          // (re)start the music where the picture is
          this.audioOffset = heard - t;
          this.onAudioSync?.(t, heard);
        } else if (Math.abs(drift) <= HARD_SYNC) {
          // small drift: ease the picture onto the sound, never faster
          // than MAX_SLEW of wall time
          const limit = MAX_SLEW * elapsed;
          const step = Math.max(-limit, Math.min(limit, drift * SLEW_SHARE));
          this.perfOrigin -= step * 1000;
          t += step;
        }
        this.source = 'audio';
      }
    }
    if (t < this.last) t = this.last; // never run backwards
    this.last = t;
    return t;
  }
}
