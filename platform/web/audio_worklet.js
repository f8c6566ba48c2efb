// The audio device of the browser build, on the browser's audio thread, where it also
// runs the demo's music: a WebAssembly module of its own (platform/web/worklet/
// music.cpp: the module, player, mixer and block filler) mixes a ring of about two
// seconds, which this processor plays from its first frame and re-mixes behind the
// play position after every quantum, as the output thread does natively after each
// poll of the device. Nothing here waits for the page's main thread, so a slow frame
// delays the picture, never the sound. It shares no memory with the page; they talk
// by messages:
//
//   page -> worklet
//     {type: 'load', code}     the music's WebAssembly bytes: instantiate them and mix
//                              the ring; answered by {type: 'ready'} once the device has
//                              also asked for a tenth of a second, or {type: 'failed',
//                              reason}
//     {type: 'start', record}  play from the next quantum on, keeping the first
//                              `record` frames played (0: none) for checks
//     {type: 'stop'}           silence from the next quantum on; answered by a report
//     {type: 'recording'}      answered by {type: 'recording', samples}: the frames
//                              kept, an Int16Array, left and right interleaved
//   worklet -> page
//     {type: 'report', playing, framesPlayed, peak, blocksMixed, longestGapMs,
//      starved, startedAt, at} about every 50 ms while playing, and at the stop: frames
//                              played since the start, the loudest sample, blocks
//                              re-mixed, the longest wall-clock time between two of
//                              them, quanta that would have played frames not yet mixed
//                              (none while the ring is kept full), and the Date.now()
//                              of the first quantum played and of the report
const REPORT_FRAMES = 2048;

// What the music's module asks of its host: an end on a failed allocation, and word
// of a grown memory (the ring is looked up again on every quantum anyway).
const MUSIC_IMPORTS = {
    env: { emscripten_notify_memory_growth() {} },
    wasi_snapshot_preview1: { proc_exit(code) { throw new Error(`the music stopped (${code})`); } },
};

class MusicPlayer extends AudioWorkletProcessor {
    constructor() {
        super();
        this.music = null;          // the module's exports, once loaded and mixed
        this.warmUp = -1;           // frames the device still has to ask for before 'ready'
        this.playing = false;
        this.port.onmessage = (event) => this.receive(event.data);
    }

    receive(message) {
        if (message.type === 'load')
            this.load(message.code);
        else if (message.type === 'start')
            this.start(message.record);
        else if (message.type === 'stop')
            this.stop();
        else if (message.type === 'recording')
            this.port.postMessage({ type: 'recording', samples: this.recorded || new Int16Array(0) });
    }

    async load(code) {
        let music;
        try {
            music = (await WebAssembly.instantiate(code, MUSIC_IMPORTS)).instance.exports;
            music._initialize();
        } catch (error) {
            this.port.postMessage({ type: 'failed', reason: String(error) });
            return;
        }
        // A module that does not load leaves the ring silent, as the demo then plays
        // on without music.
        this.hasMusic = music.MusicPrepare(sampleRate) === 1;
        this.music = music;
        this.ring = music.MusicRing();
        this.ringFrames = music.MusicRingFrames();
        this.blockFrames = music.MusicBlockFrames();
        this.samples = null;
        this.warmUp = sampleRate / 10;
    }

    start(record) {
        if (!this.music || !this.hasMusic)
            return;
        this.playing = true;
        this.framesPlayed = 0;
        this.framesMixed = this.ringFrames;
        this.peak = 0;
        this.blocksMixed = 0;
        this.lastMixAt = Date.now();
        this.longestGapMs = 0;
        this.starved = 0;
        this.startedAt = 0;
        this.nextReport = REPORT_FRAMES;
        this.recorded = record > 0 ? new Int16Array(2 * record) : null;
    }

    stop() {
        if (!this.playing)
            return;
        this.playing = false;
        this.report();
    }

    report() {
        this.port.postMessage({
            type: 'report', playing: this.playing, framesPlayed: this.framesPlayed, peak: this.peak,
            blocksMixed: this.blocksMixed, longestGapMs: this.longestGapMs, starved: this.starved,
            startedAt: this.startedAt, at: Date.now(),
        });
    }

    // The ring in the module's memory, looked up again should the memory have grown.
    ringSamples() {
        const buffer = this.music.memory.buffer;
        if (!this.samples || this.samples.buffer !== buffer)
            this.samples = new Int16Array(buffer, this.ring, 2 * this.ringFrames);
        return this.samples;
    }

    process(inputs, outputs) {
        const output = outputs[0];
        const frames = output[0].length;
        if (this.warmUp > 0) {
            this.warmUp -= frames;
            if (this.warmUp <= 0)
                this.port.postMessage({ type: 'ready' });
        }
        if (this.playing)
            this.play(output[0], output[1] || output[0], frames);
        return true;
    }

    play(left, right, frames) {
        if (this.framesPlayed === 0)
            this.startedAt = Date.now();
        const samples = this.ringSamples();
        if (this.framesPlayed + frames > this.framesMixed)
            ++this.starved;
        const recorded = this.recorded;
        let keep = recorded ? Math.min(frames, recorded.length / 2 - this.framesPlayed) : 0;
        let at = 2 * (this.framesPlayed % this.ringFrames);
        let peak = this.peak;
        for (let i = 0; i < frames; ++i) {
            const l = samples[at], r = samples[at + 1];
            left[i] = l / 32768;
            right[i] = r / 32768;
            peak = Math.max(peak, Math.abs(l), Math.abs(r));
            if (i < keep) {
                recorded[2 * (this.framesPlayed + i)] = Math.round(left[i] * 32768);
                recorded[2 * (this.framesPlayed + i) + 1] = Math.round(right[i] * 32768);
            }
            at += 2;
            if (at === samples.length)
                at = 0;
        }
        this.peak = peak;
        this.framesPlayed += frames;

        // The blocks just finished, mixed again for their next turn.
        const mixed = this.music.MusicFill(this.framesPlayed >>> 0);
        if (mixed > 0) {
            const now = Date.now();
            this.longestGapMs = Math.max(this.longestGapMs, now - this.lastMixAt);
            this.lastMixAt = now;
            this.blocksMixed += mixed;
            this.framesMixed += mixed * this.blockFrames;
        }
        if (this.framesPlayed >= this.nextReport) {
            this.nextReport += REPORT_FRAMES;
            this.report();
        }
    }
}

registerProcessor('quorvantile-music', MusicPlayer);
