// The show's sound on the browser's audio thread: plays the music the page
// sends, in the order sent, and asks for more while less than kAhead frames
// wait. Each request says at which frame of the audio clock its music will
// start; each buffer, as it starts, is reported with the frame it started at
// (later than asked when the page was late), so the page knows what is heard
// when.
"use strict";

const kChunk = 2048; // frames a request asks for: about 46 ms
const kAhead = 16384; // frames kept waiting: about 370 ms, room for the page's slow frames (a busy terminal)

class CellruneSound extends AudioWorkletProcessor {
  constructor() {
    super();
    this.queue = []; // { samples: interleaved stereo, music: the music frame of the first }
    this.at = 0; // frames of the first buffer played so far
    this.queued = 0; // frames waiting
    this.asked = 0; // requests not answered yet
    this.open = true;
    this.port.onmessage = (event) => {
      if (event.data === "stop") {
        this.open = false;
        return;
      }
      this.queue.push(event.data);
      this.queued += event.data.samples.length / 2;
      this.asked--;
    };
  }

  process(inputs, outputs) {
    if (!this.open) return false;
    const left = outputs[0][0], right = outputs[0][1];
    const frames = left.length;
    let i = 0;
    while (i < frames && this.queue.length) {
      const buffer = this.queue[0], samples = buffer.samples;
      if (this.at === 0) this.port.postMessage({ played: buffer.music, at: currentFrame + i, frames: samples.length / 2 });
      const take = Math.min(frames - i, samples.length / 2 - this.at);
      for (let k = 0; k < take; k++) {
        left[i + k] = samples[2 * (this.at + k)];
        right[i + k] = samples[2 * (this.at + k) + 1];
      }
      i += take;
      this.at += take;
      this.queued -= take;
      if (2 * this.at === samples.length) {
        this.queue.shift();
        this.at = 0;
      }
    }
    left.fill(0, i);
    right.fill(0, i);
    const next = currentFrame + frames;
    while (this.queued + this.asked * kChunk < kAhead) {
      this.port.postMessage({ need: kChunk, startsAt: next + this.queued + this.asked * kChunk });
      this.asked++;
    }
    return true;
  }
}

registerProcessor("cellrune-sound", CellruneSound);
