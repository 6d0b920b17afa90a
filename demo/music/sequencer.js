// Schedules the compiled song a little ahead of the audio clock.
//
// The song position is tied to the context clock by one offset:
// audioTime = songTime + offset. `seek()` sets that link (at start, or
// again if the audio clock had to be re-aligned with the visuals). A seek
// after the first fades out every voice of the old link, those sounding and
// those scheduled ahead, so the two never play on top of each other.

import { STEP } from './song.js';

const LOOKAHEAD = 0.3; // seconds scheduled in advance
const LATE_MARGIN = 0.005; // nothing is scheduled closer than this to "now"
const MAX_LATE = 0.1; // a step this late still plays (just after "now")

export class Sequencer {
  constructor(ctx, synth, events) {
    this.ctx = ctx;
    this.synth = synth;
    this.byStep = new Map();
    for (const ev of events) {
      if (!this.byStep.has(ev.step)) this.byStep.set(ev.step, []);
      this.byStep.get(ev.step).push(ev);
    }
    this.lastStep = events.length ? events[events.length - 1].step : 0;
    this.offset = null;
    this.nextStep = 0;
    this.stopped = false;
  }

  /** Song time `songTime` is (or will be) heard at context time `audioTime`. */
  seek(songTime, audioTime) {
    if (this.offset !== null) this.synth.cut();
    this.offset = audioTime - songTime;
    this.nextStep = Math.max(0, Math.ceil(songTime / STEP - 1e-6));
    this.pump();
  }

  /** Schedule everything that falls inside the look-ahead window. */
  pump() {
    if (this.offset === null || this.stopped || this.ctx.state !== 'running') return;
    const now = this.ctx.currentTime;
    const horizon = now + LOOKAHEAD;
    while (this.nextStep <= this.lastStep) {
      const when = this.nextStep * STEP + this.offset;
      if (when > horizon) break;
      if (when >= now - MAX_LATE) {
        const at = Math.max(when, now + LATE_MARGIN);
        for (const ev of this.byStep.get(this.nextStep) || []) this.synth.play(ev, at);
      }
      this.nextStep++;
    }
  }

  stop() {
    this.stopped = true;
  }
}
