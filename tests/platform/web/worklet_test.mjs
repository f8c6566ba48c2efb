// The audio worklet's music against the native render, sample for sample:
// audio_worklet.js runs in Node.js on a stand-in for the browser's audio thread (its
// processor class, port and 128-frame quanta), with the music's WebAssembly module
// from the dist folder. Over the whole demo, every sample it plays must equal the
// capture tool's soundtrack: the samples the native demo hands its sound device,
// from time 0. Before the start and after the stop it plays silence; its reports
// count what it played, and no quantum ever plays frames not yet mixed.
//
// Then the music against the demo's clock, on a device simulated in time: a start
// 800 ms late, the device stopped for 4 s (a suspended context), a device that plays
// at 0.8 and at 1.1 of real time, a device that stops for a second and then asks
// for that second at once (and drops it), and the demo's time zero moved on by half
// a second. After each the music is back within 40 ms of the picture within a second,
// stays there, and every frame it plays unfaded is the native render's frame of that
// number.
//
//   node worklet_test.mjs DIST CAPTURE OUT_DIR
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync } from 'node:fs';
import { runInNewContext } from 'node:vm';
import { Checks, readWav } from './browser.mjs';

const [dist, capture, out] = process.argv.slice(2);
const RATE = 44100;
const QUANTUM = 128;
const checks = new Checks();
mkdirSync(out, { recursive: true });
execFileSync(capture, ['--audio', `${out}/native.wav`], { stdio: 'ignore' });
const native = readWav(`${out}/native.wav`);

// The audio thread's global scope, as much of it as the processor uses; `clock` is
// its Date (the real one, or a stand-in whose now() a test sets).
function makeProcessor(clock = Date) {
    const messages = [];
    let Processor = null;
    class Port {
        postMessage(message) { messages.push(message); }
    }
    runInNewContext(readFileSync(`${dist}/audio_worklet.js`, 'utf8'), {
        AudioWorkletProcessor: class { constructor() { this.port = new Port(); } },
        registerProcessor: (name, processorClass) => { Processor = processorClass; },
        sampleRate: RATE,
        WebAssembly, Date: clock, Math, Int16Array, Int32Array, Float64Array, Number, console,
    });
    const processor = new Processor();
    return { processor, messages, send: (data) => processor.port.onmessage({ data }) };
}
const { processor, messages, send } = makeProcessor();

const left = new Float32Array(QUANTUM), right = new Float32Array(QUANTUM);
// One quantum, on outputs cleared as the browser clears them; true when any sample
// is not silent.
function quantum() {
    left.fill(0);
    right.fill(0);
    processor.process([], [[left, right]]);
    return left.some((v) => v !== 0) || right.some((v) => v !== 0);
}

send({ type: 'load', code: readFileSync(`${dist}/quorvantile_music.wasm`) });
await new Promise((resolve) => setTimeout(resolve, 100));   // the instantiation
checks.expect(!messages.some((m) => m.type === 'failed'), 'the music module instantiates');
let silentBefore = true;
for (let i = 0; i < 40 && !messages.some((m) => m.type === 'ready'); ++i)
    silentBefore = !quantum() && silentBefore;
checks.expect(messages.some((m) => m.type === 'ready'), 'the worklet is ready after a tenth of a second of quanta');
checks.expect(silentBefore, 'before the start it plays silence');

send({ type: 'start', record: 0 });
const frames = native.samples.length / 2;
let mismatches = 0, first = -1;
for (let done = 0; done < frames; done += QUANTUM) {
    quantum();
    const n = Math.min(QUANTUM, frames - done);
    for (let i = 0; i < n; ++i) {
        const k = 2 * (done + i);
        if (left[i] * 32768 !== native.samples[k] || right[i] * 32768 !== native.samples[k + 1]) {
            if (first < 0)
                first = done + i;
            ++mismatches;
        }
    }
}
checks.expect(mismatches === 0, `all ${frames} frames (${(frames / RATE).toFixed(2)} s) equal the native soundtrack` +
              (mismatches ? `: ${mismatches} differ, the first at frame ${first}` : ''));

send({ type: 'stop' });
const last = messages.filter((m) => m.type === 'report').pop();
checks.expect(last && !last.playing && last.framesPlayed >= frames, `the stop is reported (${last && last.framesPlayed} frames played)`);
checks.expect(last && last.starved === 0, `no quantum played frames not yet mixed (${last && last.starved})`);
checks.expect(last && last.peak > 1000, `the report has the loudest sample (${last && last.peak})`);
let silentAfter = true;
for (let i = 0; i < 10; ++i)
    silentAfter = !quantum() && silentAfter;
checks.expect(silentAfter, 'after the stop it plays silence');

// The device in simulated time: it asks for BURST quanta at once, then the clock
// moves on by their length divided by the device's speed (1: real time).
const BURST = 4;
const fake = { ms: 1.7e12 };
const sync = makeProcessor({ now: () => Math.floor(fake.ms) });
const syncOut = [new Float32Array(QUANTUM), new Float32Array(QUANTUM)];
sync.send({ type: 'load', code: readFileSync(`${dist}/quorvantile_music.wasm`) });
await new Promise((resolve) => setTimeout(resolve, 100));
while (!sync.messages.some((m) => m.type === 'ready'))
    sync.processor.process([], [syncOut]);
let zeroAt = fake.ms - 800;       // the start message comes 800 ms after the demo's time zero
const SECONDS = 40;
sync.send({ type: 'start', record: SECONDS * RATE, zeroAt });
const faults = [];                // [from, to] in ms of the demo's time, before and after each
const events = [
    { at: 8000, what: 'the device stopped for 4 s', run() { fake.ms += 4000; } },
    { at: 16000, what: 'a device at 0.8 of real time', run() { speed = 0.8; } },
    { at: 24000, what: 'a device at 1.1 of real time', run() { speed = 1.1; } },
    { at: 28000, what: 'the device at real time again', run() { speed = 1; } },
    { at: 30000, what: 'the device stopped for 1 s, then catching up at once',
      run() { fake.ms += 1000; catchUp = Math.round(RATE / QUANTUM); } },
    { at: 32000, what: 'the demo\'s time zero moved on by 500 ms',
      run() { zeroAt += 500; sync.send({ type: 'clock', zeroAt }); } },
];
let speed = 1;
let catchUp = 0;                  // quanta the device asks for at once, dropping them
const worst = { steady: 0, report: null };
let reportsSeen = 0;
while (fake.ms - zeroAt < SECONDS * 1000 - 500) {
    for (let i = 0; i < BURST + catchUp; ++i)
        sync.processor.process([], [syncOut]);
    catchUp = 0;
    const reports = sync.messages.filter((m) => m.type === 'report');
    for (const report of reports.slice(reportsSeen)) {
        const demoMs = report.at - zeroAt;
        const offset = report.musicFrame * 1000 / RATE - demoMs;
        // After the first second, and a second after each fault began or ended.
        const settling = demoMs < 1000 || faults.some(([from, to]) => demoMs > from - 20 && demoMs < to + 1000);
        if (!settling && Math.abs(offset) > Math.abs(worst.steady))
            Object.assign(worst, { steady: offset, report: demoMs });
    }
    reportsSeen = reports.length;
    fake.ms += BURST * QUANTUM * 1000 / RATE / speed;
    while (events.length && fake.ms - zeroAt >= events[0].at) {
        const before = fake.ms - zeroAt;
        events.shift().run();
        const after = fake.ms - zeroAt;
        faults.push([Math.min(before, after), Math.max(before, after)]);
    }
}
checks.expect(Math.abs(worst.steady) <= 40,
              `the music keeps within 40 ms of the picture's clock (worst ${worst.steady.toFixed(1)} ms, ` +
              `at ${(worst.report / 1000).toFixed(2)} s), back within a second of a late start, a stopped device, ` +
              'devices at 0.8 and 1.25 of real time and a moved time zero');
sync.send({ type: 'recording' });
const { samples, frames: musicFrames } = sync.messages.find((m) => m.type === 'recording');
let exact = 0, wrong = 0, firstWrong = -1;
for (let i = 0; i < musicFrames.length; ++i) {
    const f = musicFrames[i];
    if (f < 0)
        continue;
    if (samples[2 * i] === native.samples[2 * f] && samples[2 * i + 1] === native.samples[2 * f + 1]) {
        ++exact;
    } else {
        ++wrong;
        if (firstWrong < 0)
            firstWrong = i;
    }
}
const lastSync = sync.messages.filter((m) => m.type === 'report').pop();
checks.expect(wrong === 0 && exact > 0.9 * musicFrames.length,
              `between corrections the frames played are the native render's (${exact} of ${musicFrames.length} ` +
              `unfaded${wrong ? `, ${wrong} differ, the first at ${firstWrong}` : ''}; ${lastSync.corrections} corrections)`);
checks.expect(lastSync.starved === 0, `no quantum played frames not yet mixed (${lastSync.starved})`);
checks.finish('the worklet plays the native soundtrack, sample for sample, on the demo\'s clock');
