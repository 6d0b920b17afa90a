// The instruments: everything is made from oscillators, a noise buffer,
// filters and gain envelopes, scheduled on the AudioContext clock.

import { midiToHz, STEP } from './song.js';

// one tracker tick at 125 BPM: arpeggios step through their notes per tick
const TICK = STEP / 6;
// the level of the whole mix: -3 dB, for a peak of about -3 dBFS
const OUTPUT_GAIN = 0.7;
// how fast the voices of an abandoned song position fade out
const CUT_SECONDS = 0.03;
// sources that have ended are forgotten once this many are tracked
const MAX_TRACKED = 256;

export class Synth {
  constructor(ctx) {
    this.ctx = ctx;

    // master -> compressor -> output: the compressor glues the mix and adds
    // make-up gain of its own; the output gain takes enough of it back to
    // leave more than the decibel of headroom a master keeps below full
    // scale. A gain costs the audio thread nothing, where a second
    // compressor as a limiter would cost it as much as a few voices.
    this.master = ctx.createGain();
    this.master.gain.value = 0.55;
    const comp = ctx.createDynamicsCompressor();
    comp.threshold.value = -14;
    comp.ratio.value = 4;
    comp.attack.value = 0.004;
    comp.release.value = 0.2;
    const output = ctx.createGain();
    output.gain.value = OUTPUT_GAIN;
    this.master.connect(comp);
    comp.connect(output);
    output.connect(ctx.destination);

    // a dotted-eighth echo with a darkening feedback loop
    this.echoIn = ctx.createGain();
    const delay = ctx.createDelay(1);
    delay.delayTime.value = STEP * 3;
    const feedback = ctx.createGain();
    feedback.gain.value = 0.38;
    const tone = ctx.createBiquadFilter();
    tone.type = 'lowpass';
    tone.frequency.value = 2200;
    this.echoIn.connect(delay);
    delay.connect(tone);
    tone.connect(feedback);
    feedback.connect(delay);
    const wet = ctx.createGain();
    wet.gain.value = 0.5;
    tone.connect(wet);
    wet.connect(this.master);
    this.newBus();

    this.noise = ctx.createBuffer(1, ctx.sampleRate, ctx.sampleRate);
    const data = this.noise.getChannelData(0);
    let seed = 0x2f6b1d;
    for (let i = 0; i < data.length; i++) {
      seed = (seed * 1103515245 + 12345) & 0x7fffffff;
      data[i] = seed / 0x3fffffff - 1;
    }
  }

  /**
   * Voices play through a bus, dry and echo send, that the next cut fades
   * out; notes scheduled after the cut go to a fresh bus.
   */
  newBus() {
    this.bus = this.ctx.createGain();
    this.bus.connect(this.master);
    this.send = this.ctx.createGain();
    this.send.connect(this.echoIn);
    this.sources = []; // { node, end } of every source on this bus
  }

  /**
   * Fades out every voice playing or scheduled so far, and stops their
   * sources once faded: a cut voice costs no more rendering, which matters
   * most when the audio thread is already falling behind. Once the fade is
   * over, the old bus and send are disconnected, so that a demo re-aligned
   * many times does not keep every old bus in the graph.
   */
  cut() {
    const t = this.ctx.currentTime;
    const silent = t + CUT_SECONDS;
    const { bus, send } = this;
    for (const node of [bus, send]) {
      node.gain.cancelScheduledValues(t);
      node.gain.setValueAtTime(node.gain.value, t);
      node.gain.linearRampToValueAtTime(0, silent);
    }
    for (const { node, end } of this.sources) {
      try {
        if (end > silent) node.stop(silent);
      } catch {
        // a source the engine has already let go of needs no stop
      }
    }
    // The end of the fade on the context's own clock, which may run slower
    // than a timer's: a silent source on the old bus that stops then.
    const fadeEnd = this.ctx.createConstantSource();
    fadeEnd.offset.value = 0;
    fadeEnd.connect(bus);
    fadeEnd.onended = () => {
      fadeEnd.disconnect();
      bus.disconnect();
      send.disconnect();
    };
    fadeEnd.start(t);
    fadeEnd.stop(silent);
    this.newBus();
  }

  /** Starts a source at `from` (at `offset` into its buffer), stops it at `to`. */
  sound(node, from, to, offset = 0) {
    node.start(from, offset);
    node.stop(to);
    if (this.sources.length >= MAX_TRACKED) {
      const now = this.ctx.currentTime;
      this.sources = this.sources.filter(({ end }) => end > now);
    }
    this.sources.push({ node, end: to });
  }

  /** Play one compiled song event at audio time `when`. */
  play(ev, when) {
    switch (ev.channel) {
      case 'drum':
        if (ev.kind === 'k') this.kick(when);
        else if (ev.kind === 's') this.snare(when);
        else this.hat(when, ev.kind === 'o');
        break;
      case 'bass': this.bass(when, ev.midi, ev.steps * STEP); break;
      case 'arp': this.arp(when, ev.midi, ev.chord, ev.steps * STEP); break;
      case 'pad': this.pad(when, ev.midi, ev.chord, ev.steps * STEP); break;
      case 'lead': this.lead(when, ev.midi, ev.steps * STEP); break;
    }
  }

  envelope(when, peak, attack, hold, release) {
    const g = this.ctx.createGain();
    g.gain.setValueAtTime(0, when);
    g.gain.linearRampToValueAtTime(peak, when + attack);
    g.gain.setValueAtTime(peak, when + attack + hold);
    g.gain.exponentialRampToValueAtTime(0.0001, when + attack + hold + release);
    return g;
  }

  kick(when) {
    const ctx = this.ctx;
    const osc = ctx.createOscillator();
    osc.frequency.setValueAtTime(160, when);
    osc.frequency.exponentialRampToValueAtTime(42, when + 0.11);
    const g = this.envelope(when, 1.0, 0.002, 0.04, 0.3);
    osc.connect(g).connect(this.bus);
    this.sound(osc, when, when + 0.4);
  }

  noiseBurst(when, type, freq, q, peak, decay, target = this.bus) {
    const ctx = this.ctx;
    const src = ctx.createBufferSource();
    src.buffer = this.noise;
    const f = ctx.createBiquadFilter();
    f.type = type;
    f.frequency.value = freq;
    f.Q.value = q;
    const g = this.envelope(when, peak, 0.001, 0.005, decay);
    src.connect(f).connect(g).connect(target);
    this.sound(src, when, when + decay + 0.05, Math.random() * 0.5);
  }

  snare(when) {
    this.noiseBurst(when, 'bandpass', 1900, 0.6, 0.55, 0.18);
    const ctx = this.ctx;
    const osc = ctx.createOscillator();
    osc.type = 'triangle';
    osc.frequency.setValueAtTime(220, when);
    osc.frequency.exponentialRampToValueAtTime(150, when + 0.08);
    const g = this.envelope(when, 0.35, 0.001, 0.01, 0.09);
    osc.connect(g).connect(this.bus);
    this.sound(osc, when, when + 0.15);
  }

  hat(when, open) {
    this.noiseBurst(when, 'highpass', 7500, 0.8, open ? 0.16 : 0.12, open ? 0.22 : 0.04);
  }

  bass(when, midi, length) {
    const ctx = this.ctx;
    const dur = Math.min(length, STEP * 2.5);
    const osc = ctx.createOscillator();
    osc.type = 'sawtooth';
    osc.frequency.value = midiToHz(midi);
    const sub = ctx.createOscillator();
    sub.type = 'square';
    sub.frequency.value = midiToHz(midi) / 2;
    const subGain = ctx.createGain();
    subGain.gain.value = 0.35;
    const f = ctx.createBiquadFilter();
    f.type = 'lowpass';
    f.Q.value = 7;
    f.frequency.setValueAtTime(1600, when);
    f.frequency.exponentialRampToValueAtTime(180, when + 0.16);
    const g = this.envelope(when, 0.32, 0.004, dur * 0.6, dur * 0.5);
    osc.connect(f);
    sub.connect(subGain).connect(f);
    f.connect(g).connect(this.bus);
    this.sound(osc, when, when + dur * 1.2 + 0.05);
    this.sound(sub, when, when + dur * 1.2 + 0.05);
  }

  arp(when, midi, chord, length) {
    const ctx = this.ctx;
    const dur = Math.min(length, STEP * 3);
    const osc = ctx.createOscillator();
    osc.type = 'square';
    for (let t = 0, i = 0; t < dur; t += TICK, i++) {
      osc.frequency.setValueAtTime(midiToHz(midi + chord[i % chord.length]), when + t);
    }
    const f = ctx.createBiquadFilter();
    f.type = 'lowpass';
    f.frequency.value = 2600;
    const g = this.envelope(when, 0.075, 0.003, dur * 0.3, dur * 0.7);
    osc.connect(f).connect(g);
    g.connect(this.bus);
    g.connect(this.send);
    this.sound(osc, when, when + dur + 0.05);
  }

  pad(when, midi, chord, length) {
    const ctx = this.ctx;
    const f = ctx.createBiquadFilter();
    f.type = 'lowpass';
    f.frequency.setValueAtTime(500, when);
    f.frequency.linearRampToValueAtTime(1400, when + length * 0.5);
    f.frequency.linearRampToValueAtTime(600, when + length);
    const g = this.envelope(when, 0.05, Math.min(0.4, length * 0.3), length * 0.5, 0.8);
    f.connect(g).connect(this.bus);
    for (const [k, off] of chord.entries()) {
      for (const detune of [-7, 7]) {
        const osc = ctx.createOscillator();
        osc.type = 'sawtooth';
        osc.frequency.value = midiToHz(midi + off);
        osc.detune.value = detune + k;
        osc.connect(f);
        this.sound(osc, when, when + length + 1);
      }
    }
  }

  lead(when, midi, length) {
    const ctx = this.ctx;
    const hz = midiToHz(midi);
    const f = ctx.createBiquadFilter();
    f.type = 'lowpass';
    f.frequency.setValueAtTime(4200, when);
    f.frequency.exponentialRampToValueAtTime(1800, when + 0.3);
    const g = this.envelope(when, 0.11, 0.008, Math.max(0, length - 0.1), 0.12);
    const vibrato = ctx.createOscillator();
    vibrato.frequency.value = 5.6;
    const depth = ctx.createGain();
    depth.gain.setValueAtTime(0, when);
    depth.gain.linearRampToValueAtTime(hz * 0.012, when + Math.min(0.35, length));
    vibrato.connect(depth);
    const end = when + length + 0.2;
    for (const [type, detune] of [['square', -6], ['sawtooth', 6]]) {
      const osc = ctx.createOscillator();
      osc.type = type;
      osc.frequency.value = hz;
      osc.detune.value = detune;
      depth.connect(osc.frequency);
      osc.connect(f);
      this.sound(osc, when, end);
    }
    f.connect(g);
    g.connect(this.bus);
    g.connect(this.send);
    this.sound(vibrato, when, end);
  }

  /** Quick fade of everything, used when the demo ends early. */
  fadeOut(seconds = 0.08) {
    const t = this.ctx.currentTime;
    this.master.gain.cancelScheduledValues(t);
    this.master.gain.setValueAtTime(this.master.gain.value, t);
    this.master.gain.linearRampToValueAtTime(0, t + seconds);
  }
}
