// The demo clock: song time in seconds.
//
// While the AudioContext runs, the audio clock is the master and the visuals
// follow what is being heard. If the context is suspended (or its clock
// stops moving), the time keeps running on performance.now(), so the
// visuals never stall; when the audio comes (back), the music is sought to
// the current visual time instead of making the picture jump.

const STALL_MS = 250; // the audio clock counts as stopped after this long
const HARD_SYNC = 0.2; // larger drifts re-align the music, smaller ones slew

export class DemoClock {
  /**
   * @param {AudioContext|null} audio
   * @param {(songTime:number, audioTime:number) => void} onAudioSync
   *        called whenever song time is tied anew to the audio clock
   */
  constructor(audio, onAudioSync) {
    this.audio = audio;
    this.onAudioSync = onAudioSync;
    this.perfOrigin = performance.now(); // perf ms at song time 0
    this.audioOffset = null; // context seconds at song time 0
    this.lastAudio = -1;
    this.lastAudioChange = -Infinity;
    this.last = 0;
    this.source = 'performance';
  }

  /** The context time that is reaching the speakers at perf time `perfNow`. */
  heardAudioTime(perfNow) {
    const a = this.audio;
    if (typeof a.getOutputTimestamp === 'function') {
      const ts = a.getOutputTimestamp();
      if (ts && ts.contextTime > 0 && ts.performanceTime > 0) {
        return ts.contextTime + (perfNow - ts.performanceTime) / 1000;
      }
    }
    return a.currentTime;
  }

  now() {
    const perfNow = performance.now();
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
        if (this.audioOffset === null || Math.abs(heard - this.audioOffset - t) > HARD_SYNC) {
          // (re)start the music where the picture is
          this.audioOffset = heard - t;
          this.onAudioSync?.(t, heard);
        } else {
          // small drift: ease the visual clock onto the audio clock
          const drift = heard - this.audioOffset - t;
          this.perfOrigin -= drift * 1000 * 0.1;
          t += drift * 0.1;
        }
        this.source = 'audio';
      }
    }
    if (t < this.last) t = this.last; // never run backwards
    this.last = t;
    return t;
  }
}
