// The audio device of the browser build, on the browser's audio thread, where it also
// runs the demo's music: a WebAssembly module of its own (app/web/music_worklet.cpp:
// the module, player, mixer and block filler) mixes a ring of about two
// seconds, which this processor plays from its first frame and re-mixes behind the
// play position after every quantum, as the output thread does natively after each
// poll of the device. Nothing here waits for the page's main thread, so a slow frame
// delays the picture, never the sound.
//
// The demo's clock is the master, as natively, where frames are timed by it alone:
// the page tells the player when the demo's time zero was (in Date.now() time), and
// the player keeps the music on it. Whenever the music strays more than TOLERANCE_MS
// from it (a late start, a stall of the device, a suspended context, a device clock
// that runs slow or fast), the player brings it back at a quantum: a short way ahead
// is a crossfade over one quantum to the right frame; farther ahead, the music fades
// out, the player mixes ahead (and drops what it mixed) while silent, and fades in at
// the right frame; ahead of the picture, it fades out and waits in silence until the
// picture has caught up. Between corrections the frames played are those of the
// native render, in order.
//
// When the device plays each quantum is estimated from the wall-clock times at which
// it asked for them: the device asks in bursts, a quantum well before its turn, so
// nearly the latest asking time for a device frame over the last WINDOW_MS (the one
// asked for just in time) is taken as the time it plays. A device that asks for far more
// than real time at once (JUMP_MS more: some catch up that way after a resume,
// dropping what comes too late) plays the last quantum of such a burst at once.
//
// It shares no memory with the page; they talk by messages:
//
//   page -> worklet
//     {type: 'load', code}     the music's WebAssembly bytes: instantiate them and mix
//                              the ring; answered by {type: 'ready'} once the device has
//                              also asked for a tenth of a second, or {type: 'failed',
//                              reason}
//     {type: 'start', record, zeroAt}
//                              play from the next quantum on, keeping the first
//                              `record` frames played (0: none) for checks; zeroAt is
//                              the Date.now() of the demo's time zero (absent: the
//                              music plays on its own, from its first frame)
//     {type: 'clock', zeroAt}  the demo's time zero has moved (the page's clock was
//                              set)
//     {type: 'stop'}           silence from the next quantum on; answered by a report
//     {type: 'recording'}      answered by {type: 'recording', samples, frames}: the
//                              frames kept, an Int16Array, left and right interleaved,
//                              and for each the frame of the music it is (an
//                              Int32Array), or -1 where it was faded or crossfaded
//     {type: 'simulate', deviceRate}
//                              for tests: a device that plays only deviceRate (0 to 1)
//                              of real time: the other quanta are not played at all
//   worklet -> page
//     {type: 'report', playing, framesPlayed, musicFrame, peak, blocksMixed,
//      longestGapMs, starved, corrections, steady, startedAt, at}
//                              every 50 ms of wall-clock time while playing (one a
//                              burst of quanta), and at the stop:
//                              device frames played since the start, the frame of the
//                              music the device plays at `at` (as in a native render
//                              from time 0), the loudest sample, blocks mixed, the
//                              longest wall-clock time between two of them while
//                              playing, quanta that would have played frames not yet
//                              mixed (none while the ring is kept full), corrections
//                              made, whether the device has asked for its quanta in
//                              time for a while (false after it ran dry: its own thread
//                              held up by the system, a stop, a resume), and the
//                              Date.now() of the first quantum played and of the report
const REPORT_MS = 50;
const TOLERANCE_MS = 15;
const WINDOW_MS = 500;
const LATEST_SHARE = 0.9;
const JUMP_MS = 150;
const LATE_MS = 40;
const STEADY_MS = 600;
// Blocks mixed ahead at most in one quantum while catching up, so that a long way to
// go is spread over several quanta.
const CATCH_UP_BLOCKS = 32;

// What the music's module asks of its host: an end on a failed allocation, and word
// of a grown memory (the ring is looked up again on every quantum anyway).
const MUSIC_IMPORTS = {
    env: { emscripten_notify_memory_growth() {} },
    wasi_snapshot_preview1: { proc_exit(code) { throw new Error(`the music stopped (${code})`); } },
};

// When the device plays: of the wall-clock time minus the device's own time of the
// quanta it asked for over the last WINDOW_MS, nearly the largest (the LATEST_SHARE
// quantile: a few late quanta, from an audio thread the system held up, do not move
// it). A device that asks for more than real time at once (JUMP_MS more) is catching
// up: while it does, only its latest quantum counts.
class DeviceClock {
    constructor() {
        this.times = [];
        this.values = [];
        this.catchingUp = false;
        this.last = 0;
        this.estimate = 0;
        this.lateAt = -Infinity;    // when the device last asked for a quantum late
    }

    // Whether the device has asked for every quantum in time over the last
    // STEADY_MS: a quantum asked for LATE_MS after the time it plays, by the
    // estimate, means that the device ran dry (its thread was held up, or it was
    // stopped), and the estimate takes a while to settle again.
    steadyAt(time) {
        return time - this.lateAt > STEADY_MS;
    }

    // The offset for a quantum asked for at `time`, `value` being time minus the
    // device's time of the quantum.
    offset(time, value) {
        if (this.catchingUp && value >= this.last)
            this.catchingUp = false;
        else if (this.values.length && value < this.estimate - JUMP_MS)
            this.catchingUp = true;
        this.last = value;
        if (this.values.length && value > this.estimate + LATE_MS)
            this.lateAt = time;
        if (this.catchingUp) {
            this.times.length = 0;
            this.values.length = 0;
        }
        this.times.push(time);
        this.values.push(value);
        while (this.times[0] < time - WINDOW_MS) {
            this.times.shift();
            this.values.shift();
        }
        const sorted = Float64Array.from(this.values).sort();
        this.estimate = sorted[Math.floor((sorted.length - 1) * LATEST_SHARE)];
        return this.estimate;
    }
}

class MusicPlayer extends AudioWorkletProcessor {
    constructor() {
        super();
        this.music = null;          // the module's exports, once loaded and mixed
        this.warmUp = -1;           // frames the device still has to ask for before 'ready'
        this.playing = false;
        this.deviceRate = 1;
        this.deviceCredit = 0;
        this.port.onmessage = (event) => this.receive(event.data);
    }

    receive(message) {
        if (message.type === 'load')
            this.load(message.code);
        else if (message.type === 'start')
            this.start(message.record, message.zeroAt);
        else if (message.type === 'clock')
            this.zeroAt = message.zeroAt;
        else if (message.type === 'stop')
            this.stop();
        else if (message.type === 'recording')
            this.port.postMessage({ type: 'recording', samples: this.recorded || new Int16Array(0),
                                    frames: this.recordedFrames || new Int32Array(0) });
        else if (message.type === 'simulate')
            this.deviceRate = Math.min(1, Math.max(0.05, Number(message.deviceRate) || 1));
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

    start(record, zeroAt) {
        if (!this.music || !this.hasMusic)
            return;
        this.playing = true;
        this.zeroAt = typeof zeroAt === 'number' ? zeroAt : null;
        this.readFrame = 0;         // the next frame of the music in the ring: its frame number
        this.seeking = this.zeroAt !== null;   // silent until the first quantum finds its frame
        this.framesPlayed = 0;
        this.deviceFrames = 0;
        this.deviceClock = new DeviceClock();
        this.quantumMusic = 0;      // the music's frame at the start of the last quantum
        this.quantumAt = 0;         // and the time the device plays that quantum
        this.peak = 0;
        this.blocksMixed = 0;
        this.lastMixAt = Date.now();
        this.longestGapMs = 0;
        this.starved = 0;
        this.corrections = 0;
        this.startedAt = 0;
        this.nextReportAt = 0;
        this.recorded = record > 0 ? new Int16Array(2 * record) : null;
        this.recordedFrames = record > 0 ? new Int32Array(record) : null;
    }

    stop() {
        if (!this.playing)
            return;
        this.playing = false;
        this.report(Date.now());
    }

    report(now) {
        const musicFrame = this.framesPlayed > 0
            ? Math.round(this.quantumMusic + (now - this.quantumAt) * sampleRate / 1000) : 0;
        this.port.postMessage({
            type: 'report', playing: this.playing, framesPlayed: this.framesPlayed,
            musicFrame: Math.max(0, musicFrame), peak: this.peak, blocksMixed: this.blocksMixed,
            longestGapMs: this.longestGapMs, starved: this.starved, corrections: this.corrections,
            steady: this.deviceClock.steadyAt(now), startedAt: this.startedAt, at: now,
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
        if (this.playing && this.deviceRate < 1) {
            // A slow device: this quantum is not played, as if the device had not yet
            // asked for it.
            this.deviceCredit += this.deviceRate;
            if (this.deviceCredit < 1)
                return true;
            this.deviceCredit -= 1;
        }
        if (this.playing)
            this.play(output[0], output[1] || output[0], frames);
        return true;
    }

    // The frame of the music the device should play first in this quantum, by the
    // demo's clock; null while the page has not said where its time zero is.
    wantedFrame(now, frames) {
        const deviceMs = this.deviceFrames * 1000 / sampleRate;
        const playsAt = deviceMs + this.deviceClock.offset(now, now - deviceMs);
        this.deviceFrames += frames;
        this.quantumAt = playsAt;
        if (this.zeroAt === null)
            return null;
        return Math.round((playsAt - this.zeroAt) * sampleRate / 1000);
    }

    play(left, right, frames) {
        const now = Date.now();
        if (this.framesPlayed === 0)
            this.startedAt = now;
        const wanted = this.wantedFrame(now, frames);
        const tolerance = TOLERANCE_MS * sampleRate / 1000;
        let gain = 'whole';         // 'whole', 'in', 'out', 'cross' or 'silent'
        let crossFrom = -1;
        if (this.seeking && this.framesPlayed === 0 && Math.abs(wanted) <= tolerance) {
            this.seeking = false;   // on time: the music starts with its first frame
        } else if (this.seeking) {
            gain = this.seek(wanted, frames) ? 'in' : 'silent';
        } else if (wanted !== null && Math.abs(this.readFrame - wanted) > tolerance) {
            ++this.corrections;
            if (wanted > this.readFrame && this.canSkipTo(wanted, frames)) {
                gain = 'cross';
                crossFrom = this.readFrame;
                this.readFrame = wanted;
            } else {
                gain = 'out';
                this.seeking = true;
            }
        }
        this.quantumMusic = this.readFrame;
        if (gain !== 'silent' && this.readFrame + frames > this.mixedUntil())
            ++this.starved;
        this.output(left, right, frames, gain, crossFrom);
        if (gain !== 'silent')
            this.readFrame += frames;
        this.framesPlayed += frames;
        this.fill(this.readFrame);
        if (now >= this.nextReportAt) {
            this.nextReportAt = now + REPORT_MS;
            this.report(now);
        }
    }

    // The ring after a fill at readFrame holds the music up to the end of the lap
    // that starts with readFrame's block.
    mixedUntil() {
        return this.readFrame - this.readFrame % this.blockFrames + this.ringFrames;
    }

    // Whether frame `to` and the quantum from it are in the ring already, beyond the
    // block that plays now: then the ring's blocks up to it can be dropped at once.
    canSkipTo(to, frames) {
        return to + frames <= this.mixedUntil() - this.blockFrames;
    }

    // While silent: mixes ahead towards the wanted frame (CATCH_UP_BLOCKS at most in
    // one quantum), dropping what it mixed, or waits for the picture to come up to the
    // music; true once the music is at the wanted frame, which then fades in.
    seek(wanted, frames) {
        if (wanted === null)
            wanted = this.readFrame;
        if (wanted < this.readFrame)
            return false;
        let budget = CATCH_UP_BLOCKS;
        while (!this.canSkipTo(wanted, frames)) {
            if (budget <= 0)
                return false;
            this.readFrame = Math.min(this.mixedUntil() - this.blockFrames - frames,
                                      this.readFrame + budget * this.blockFrames);
            budget -= this.fill(this.readFrame);
        }
        this.readFrame = wanted;
        this.seeking = false;
        return true;
    }

    // Re-mixes the ring's blocks that are done with; returns how many it mixed.
    fill(readFrame) {
        const mixed = this.music.MusicFill(readFrame >>> 0);
        if (mixed > 0) {
            const now = Date.now();
            if (!this.seeking)
                this.longestGapMs = Math.max(this.longestGapMs, now - this.lastMixAt);
            this.lastMixAt = now;
            this.blocksMixed += mixed;
        }
        return mixed;
    }

    // One quantum of the ring from readFrame: whole, fading in, fading out, or
    // crossfading from crossFrom; or silence. Frames that are the music unchanged are
    // recorded with their frame number, the others with -1.
    output(left, right, frames, gain, crossFrom) {
        const samples = this.ringSamples();
        const ringSamples = samples.length;
        const recorded = this.recorded;
        const keep = recorded ? Math.max(0, Math.min(frames, this.recordedFrames.length - this.framesPlayed)) : 0;
        const from = this.readFrame;
        let at = 2 * (from % this.ringFrames);
        let old = 2 * (Math.max(crossFrom, 0) % this.ringFrames);
        let peak = this.peak;
        for (let i = 0; i < frames; ++i) {
            let l = 0, r = 0;
            if (gain !== 'silent') {
                l = samples[at];
                r = samples[at + 1];
                if (gain !== 'whole') {
                    const g = (i + 0.5) / frames;
                    if (gain === 'in') {
                        l *= g;
                        r *= g;
                    } else if (gain === 'out') {
                        l *= 1 - g;
                        r *= 1 - g;
                    } else {
                        l = l * g + samples[old] * (1 - g);
                        r = r * g + samples[old + 1] * (1 - g);
                    }
                }
                at += 2;
                if (at === ringSamples)
                    at = 0;
                old += 2;
                if (old === ringSamples)
                    old = 0;
            }
            left[i] = l / 32768;
            right[i] = r / 32768;
            peak = Math.max(peak, Math.abs(l), Math.abs(r));
            if (i < keep) {
                const k = this.framesPlayed + i;
                recorded[2 * k] = Math.round(left[i] * 32768);
                recorded[2 * k + 1] = Math.round(right[i] * 32768);
                this.recordedFrames[k] = gain === 'whole' ? from + i : -1;
            }
        }
        this.peak = Math.round(peak);
    }
}

registerProcessor('quorvantile-music', MusicPlayer);
