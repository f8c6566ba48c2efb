// The audio worklet's music against the native render, sample for sample:
// audio_worklet.js runs in Node.js on a stand-in for the browser's audio thread (its
// processor class, port and 128-frame quanta), with the music's WebAssembly module
// from the dist folder. Over the whole demo, every sample it plays must equal the
// capture tool's soundtrack: the samples the native demo hands its sound device,
// from time 0. Before the start and after the stop it plays silence; its reports
// count what it played, and no quantum ever plays frames not yet mixed.
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

// The audio thread's global scope, as much of it as the processor uses.
const messages = [];
let Processor = null;
class Port {
    postMessage(message) { messages.push(message); }
}
runInNewContext(readFileSync(`${dist}/audio_worklet.js`, 'utf8'), {
    AudioWorkletProcessor: class { constructor() { this.port = new Port(); } },
    registerProcessor: (name, processorClass) => { Processor = processorClass; },
    sampleRate: RATE,
    WebAssembly, Date, Math, Int16Array, console,
});
const processor = new Processor();
const send = (data) => processor.port.onmessage({ data });

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
checks.finish('the worklet plays the native soundtrack, sample for sample');
