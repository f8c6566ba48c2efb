// The audio device of the browser build, on the browser's audio thread: plays the
// demo's ring of 16-bit stereo frames straight out of the module's shared memory
// and advances the bytes-played position the output thread polls. The record it
// shares with platform/web/audio.cpp is nine 32-bit words:
//   state, busy, bytesPlayed, bytesAtPoll, ring, ringBytes, framesPlayed, peak, largestLag
const STATE = 0, BUSY = 1, PLAYED = 2, AT_POLL = 3, RING = 4, RING_BYTES = 5;
const FRAMES = 6, PEAK = 7, LARGEST_LAG = 8;

class RingPlayer extends AudioWorkletProcessor {
    constructor() {
        super();
        this.words = null;
        this.port.onmessage = (event) => {
            this.memory = event.data.memory;
            this.words = new Int32Array(this.memory);
            this.base = event.data.shared >> 2;
            this.ringAddress = -1;
            this.warmUp = sampleRate / 10;
        };
    }

    process(inputs, outputs) {
        const words = this.words;
        if (!words)
            return true;
        // A tenth of a second asked for since the memory came: the device runs, and
        // the page starts the demo, so that the picture does not run ahead of a
        // device that is still starting (some ask for a quantum, then wait).
        if (this.warmUp > 0) {
            this.warmUp -= outputs[0][0].length;
            if (this.warmUp <= 0)
                this.port.postMessage('rendering');
        }
        const base = this.base;
        // busy before state, and the reset's state before its look at busy: one of
        // the two sides sees the other.
        Atomics.store(words, base + BUSY, 1);
        if (Atomics.load(words, base + STATE) === 1)
            this.play(outputs[0], words, base);
        Atomics.store(words, base + BUSY, 0);
        return true;
    }

    play(output, words, base) {
        const address = Atomics.load(words, base + RING) >>> 0;
        const ringBytes = Atomics.load(words, base + RING_BYTES) >>> 0;
        if (ringBytes < 4)
            return;
        if (address !== this.ringAddress || ringBytes !== this.ringBytes) {
            this.samples = new Int16Array(this.memory, address, ringBytes >> 1);
            this.ringAddress = address;
            this.ringBytes = ringBytes;
        }
        const samples = this.samples;
        const left = output[0], right = output[1] || output[0];
        const played = Atomics.add(words, base + PLAYED, 0) >>> 0;
        let at = (played % ringBytes) >> 1;
        let peak = 0;
        for (let i = 0; i < left.length; ++i) {
            const l = samples[at], r = samples[at + 1];
            left[i] = l / 32768;
            right[i] = r / 32768;
            peak = Math.max(peak, Math.abs(l), Math.abs(r));
            at += 2;
            if (at >= samples.length)
                at = 0;
        }
        Atomics.add(words, base + PLAYED, left.length * 4);
        Atomics.add(words, base + FRAMES, left.length);
        if (peak > Atomics.load(words, base + PEAK))
            Atomics.store(words, base + PEAK, peak);
        const lag = (played - (Atomics.load(words, base + AT_POLL) >>> 0)) >>> 0;
        if (lag > (Atomics.load(words, base + LARGEST_LAG) >>> 0))
            Atomics.store(words, base + LARGEST_LAG, lag);
    }
}

registerProcessor('quorvantile-ring', RingPlayer);
