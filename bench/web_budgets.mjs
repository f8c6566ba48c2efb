// The browser build's budgets, measured: the size of build/web/dist compressed with
// gzip (at most 400 KB) and of the single file build/web/quorvantile.html (at most
// 160 KB), the first frame after the click that answers the start-up question in
// headless Chromium (within 2 s), the music player's longest gap between two blocks
// mixed and its starved quanta over a run (none), the music's offset from the
// picture's clock, and the time a frame takes in each scene in headless Chromium
// (SwiftShader) beside the same frames natively (the frame_ms of
// bench_effects_motion, llvmpipe). The page is served by a plain static server under
// a sub-path, as a host would serve it. Exits 1 when a budget is exceeded.
//
//   node bench/web_budgets.mjs [--native BENCH_EFFECTS_MOTION] [--frames N]
// Run from the checkout after building the web and release presets.
import { execFileSync } from 'node:child_process';
import { readFileSync, readdirSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import { launch, medianAndWorst, musicOffsets, openPage, serveStatic, sleep } from '../tests/platform/web/browser.mjs';

const ROOT = join(dirname(fileURLToPath(import.meta.url)), '..');
const DIST = join(ROOT, 'build/web/dist');
const SINGLE_FILE = join(ROOT, 'build/web/quorvantile.html');
const DIST_BUDGET_KB = 400;
const SINGLE_FILE_BUDGET_KB = 160;
const FIRST_FRAME_BUDGET_MS = 2000;
const RUN_SECONDS = 15;

const options = { native: join(ROOT, 'build/release/bench/bench_effects_motion'), frames: 30 };
if (process.argv.includes('--help')) {
    console.log('usage: node bench/web_budgets.mjs [--native BENCH_EFFECTS_MOTION] [--frames N]');
    process.exit(0);
}
for (let i = 2; i < process.argv.length; i += 2) {
    const name = process.argv[i].replace(/^--/, '');
    if (!(name in options) || i + 1 >= process.argv.length) {
        console.error(`web_budgets: unknown option ${process.argv[i]}`);
        process.exit(2);
    }
    options[name] = name === 'frames' ? Number(process.argv[i + 1]) : process.argv[i + 1];
}
let over = 0;

// ---- dist, gzip-compressed --------------------------------------------------------
let total = 0;
console.log('dist, each file compressed with gzip -9:');
for (const file of readdirSync(DIST).sort()) {
    const raw = readFileSync(join(DIST, file));
    const packed = gzipSync(raw, { level: 9 }).length;
    total += packed;
    console.log(`  ${file.padEnd(24)} ${(raw.length / 1024).toFixed(1).padStart(8)} KB -> ${(packed / 1024).toFixed(1).padStart(7)} KB`);
}
const distOk = total / 1024 <= DIST_BUDGET_KB;
over += distOk ? 0 : 1;
console.log(`  total ${(total / 1024).toFixed(1)} KB of ${DIST_BUDGET_KB} KB: ${distOk ? 'within' : 'OVER'} budget`);
const single = gzipSync(readFileSync(SINGLE_FILE), { level: 9 }).length / 1024;
const singleOk = single <= SINGLE_FILE_BUDGET_KB;
over += singleOk ? 0 : 1;
console.log(`the single file quorvantile.html, compressed with gzip -9: ${single.toFixed(1)} KB of ` +
            `${SINGLE_FILE_BUDGET_KB} KB: ${singleOk ? 'within' : 'OVER'} budget\n`);

// The spans of bench_effects_motion, so that both sides draw the same frames.
const source = readFileSync(join(ROOT, 'bench/effects_motion_bench.cpp'), 'utf8');
const table = source.slice(source.indexOf('SceneSpans[] = {'), source.indexOf('};', source.indexOf('SceneSpans[] = {')));
const spans = [...table.matchAll(/\{\s*(\d+),\s*([\d.]+)f,\s*([\d.]+)f\s*\}/g)]
    .map((m) => ({ scene: Number(m[1]), first: Number(m[2]), last: Number(m[3]) }));

const server = await serveStatic(DIST);
const browser = await launch();
try {
    // ---- first frame after the click: three loads answered at once (the module
    // still loading), three answered after half a second ------------------------
    const firstFrame = async (delay) => {
        const times = [];
        for (let run = 0; run < 3; ++run) {
            const { page } = await openPage(browser);
            await page.goto(server.url, { waitUntil: 'load' });
            await sleep(delay);
            await page.click('#no');
            await page.waitForFunction(() => window.quorvantile.timings.firstFrame, { timeout: 20000 });
            const t = await page.evaluate(() => window.quorvantile.timings);
            times.push(t.firstFrame - t.click);
            await page.close();
        }
        return times.sort((a, b) => a - b);
    };
    for (const delay of [0, 500]) {
        const times = await firstFrame(delay);
        const ok = times[1] <= FIRST_FRAME_BUDGET_MS;
        over += ok ? 0 : 1;
        console.log(`first frame after a click ${delay} ms after the page loaded: ` +
                    `${times.map((ms) => ms.toFixed(0)).join(', ')} ms; median ${times[1].toFixed(0)} ms of ` +
                    `${FIRST_FRAME_BUDGET_MS} ms: ${ok ? 'within' : 'OVER'} budget`);
    }
    console.log('');

    // ---- the music over a run: its longest gap between two blocks mixed, starved
    // quanta, and the music's offset from the picture's clock ---------------------------
    {
        const { page } = await openPage(browser);
        await page.goto(server.url, { waitUntil: 'load' });
        await page.click('#no');
        await sleep(RUN_SECONDS * 1000);
        const run = await page.evaluate(() => {
            const report = window.quorvantile.audio();
            return { report, reports: window.quorvantile.audioReports(), zeroAt: window.quorvantile.timings.zeroAt };
        });
        const { median, worst } = medianAndWorst(musicOffsets(run.reports, run.zeroAt, 44100).map((o) => o.offset));
        await page.close();
        const report = run.report;
        const ok = report && report.starved === 0 && report.framesPlayed > (RUN_SECONDS - 2) * 44100;
        over += ok ? 0 : 1;
        console.log(report
            ? `music over a ${RUN_SECONDS} s run: ${(report.framesPlayed / 44100).toFixed(2)} s played, ` +
              `${report.blocksMixed} blocks mixed, at most ${report.longestGapMs} ms between two (the ring holds ` +
              `2000 ms), ${report.starved} quanta starved: ${ok ? 'within' : 'OVER'} budget; music - picture ` +
              `from the first second on: median ${median.toFixed(1)} ms, worst ${worst.toFixed(1)} ms`
            : 'music over a run: no report from the player: OVER budget');
        console.log('');
    }

    // ---- frame time per scene -------------------------------------------------------
    const { page } = await openPage(browser);
    const list = spans.map((s) => `${s.first}:${s.last}`).join(',');
    await page.goto(`${server.url}?bench=${list}&frames=${options.frames}`, { waitUntil: 'load' });
    await page.waitForFunction(() => window.quorvantile.phase === 'ready', { timeout: 600000, polling: 500 });
    const browserMs = (await page.evaluate(() => window.quorvantile.bench)).map((b) => b.frameMs);

    let nativeMs = spans.map(() => NaN);
    try {
        const json = JSON.parse(execFileSync(options.native, ['--benchmark_format=json'],
            { env: { ...process.env, SDL_VIDEODRIVER: 'offscreen' }, stdio: ['ignore', 'pipe', 'ignore'],
              maxBuffer: 1 << 24 }).toString());
        nativeMs = json.benchmarks.map((b) => b.frame_ms);
    } catch (error) {
        console.log(`(no native figures: ${options.native}: ${error.message.split('\n')[0]})`);
    }
    console.log('frame time per scene, ms (DrawFrame until the GL work is done, 640 x 480):');
    console.log('  scene  span (cs)          browser, SwiftShader   native, llvmpipe');
    spans.forEach((s, i) => {
        console.log(`  ${String(s.scene).padStart(5)}  ${`${s.first}-${s.last}`.padEnd(17)}  ` +
                    `${browserMs[i].toFixed(1).padStart(20)}   ${nativeMs[i].toFixed(1).padStart(16)}`);
    });
    console.log('');

    // ---- WebGL calls per frame ------------------------------------------------------
    over += await reportWebGLCalls(browser, server.url, spans, options.frames);
} finally {
    await browser.close();
    server.stop();
}
process.exit(over ? 1 : 0);

// Opens url with every method of WebGL2RenderingContext counted: the calls made
// inside each frame the module draws (one call of its _WebDrawStill or _WebFrame)
// go to that frame's own counts, all others (start-up, the bench's read-backs) to
// `outside`. Also timed: the calls that make, compile and link shaders and read
// their status (shaderMs, outside the frames) and the module's start-up (startMs).
// Resolves once the page's phase is 'ready', to { frames, outside, shaderMs, startMs }.
async function countWebGLCalls(browser, url) {
    const { page } = await openPage(browser);
    await page.evaluateOnNewDocument(() => {
        const counts = window.webglCalls = { frames: [], outside: {}, current: null, shaderMs: 0, startMs: 0 };
        const shaderCalls = new Set(['createShader', 'shaderSource', 'compileShader', 'createProgram', 'attachShader',
                                     'linkProgram', 'getShaderParameter', 'getProgramParameter', 'getShaderInfoLog',
                                     'getProgramInfoLog', 'getUniformLocation', 'deleteShader']);
        const proto = WebGL2RenderingContext.prototype;
        for (const name of Object.getOwnPropertyNames(proto)) {
            const property = Object.getOwnPropertyDescriptor(proto, name);
            if (name === 'constructor' || typeof property.value !== 'function')
                continue;
            const method = property.value;
            const timed = shaderCalls.has(name);
            proto[name] = function (...args) {
                const into = counts.current || counts.outside;
                into[name] = (into[name] || 0) + 1;
                if (!timed || counts.current)
                    return method.apply(this, args);
                const started = performance.now();
                try {
                    return method.apply(this, args);
                } finally {
                    counts.shaderMs += performance.now() - started;
                }
            };
        }
        // The module's frame and start-up functions, wrapped where the page reads
        // them; the runtime may replace an export with its direct binding after its
        // first call, which lands in `inner`.
        const wrap = (module, name, around) => {
            let inner = module[name];
            const wrapped = function (...args) {
                return around(() => inner.apply(this, args));
            };
            Object.defineProperty(module, name, { configurable: true, get: () => wrapped,
                                                  set: (value) => { inner = value; } });
        };
        const frame = (call) => {
            counts.current = {};
            try {
                return call();
            } finally {
                counts.frames.push(counts.current);
                counts.current = null;
            }
        };
        const start = (call) => {
            const started = performance.now();
            try {
                return call();
            } finally {
                counts.startMs += performance.now() - started;
            }
        };
        const wrapModule = (module) => {
            for (const name of ['_WebDrawStill', '_WebFrame'])
                wrap(module, name, frame);
            for (const name of ['_WebPrepareStill', '_WebStart'])
                wrap(module, name, start);
            return module;
        };
        let factory;
        Object.defineProperty(window, 'createQuorvantile', {
            configurable: true,
            get: () => factory,
            set: (make) => { factory = (...args) => make(...args).then(wrapModule); },
        });
    });
    await page.goto(url, { waitUntil: 'load' });
    // Polled from here: one long wait inside the page would outlast the protocol's timeout.
    for (const started = Date.now(); ;) {
        const phase = await page.evaluate(() => window.quorvantile.phase);
        if (phase === 'ready')
            break;
        if (phase === 'failed' || Date.now() - started > 1800000)
            throw new Error(`${url}: the page did not finish (${phase})`);
        await sleep(1000);
    }
    const result = await page.evaluate(() => {
        const { frames, outside, shaderMs, startMs } = window.webglCalls;
        return { frames, outside, shaderMs, startMs };
    });
    await page.close();
    return result;
}

// WebGL calls and draws per frame, over the first 25 s of the demo (its frames at 50
// a second, as the capture tool draws them) and per scene (`frames` frames of each
// span of bench_effects_motion). The first frame a page draws also bakes the font
// atlas and is reported on its own. The budgets are on the first 25 s: at most 250
// calls a frame on average, and no shader compiled or program linked in any frame.
// Returns the number of budgets exceeded.
async function reportWebGLCalls(browser, url, spans, frames) {
    const CALL_BUDGET = 250, FIRST_SECONDS = 25;
    const total = (counts) => Object.values(counts).reduce((a, b) => a + b, 0);
    const draws = (counts) => ['drawElements', 'drawArrays', 'drawElementsInstanced', 'drawArraysInstanced',
                               'drawRangeElements'].reduce((sum, name) => sum + (counts[name] || 0), 0);
    const compiles = (counts) => (counts.compileShader || 0) + (counts.linkProgram || 0);
    const mean = (values) => values.reduce((a, b) => a + b, 0) / Math.max(values.length, 1);
    const summary = (list) => {
        const calls = list.map(total), drawn = list.map(draws);
        return { calls: mean(calls), maxCalls: Math.max(...calls), draws: mean(drawn), maxDraws: Math.max(...drawn) };
    };
    let over = 0;

    const first = await countWebGLCalls(browser, `${url}?at=${FIRST_SECONDS * 100}&fps=50`);
    const s = summary(first.frames);
    const later = summary(first.frames.slice(1));
    const ok = s.calls <= CALL_BUDGET;
    over += ok ? 0 : 1;
    console.log(`WebGL calls per frame (headless Chromium), the first ${FIRST_SECONDS} s at 50 frames a second ` +
                `(${first.frames.length} frames):`);
    console.log(`  calls: mean ${s.calls.toFixed(1)} of ${CALL_BUDGET}: ${ok ? 'within' : 'OVER'} budget; ` +
                `at most ${later.maxCalls} after the first frame (${total(first.frames[0])} in it)`);
    console.log(`  draws: mean ${s.draws.toFixed(1)}, at most ${later.maxDraws} after the first frame ` +
                `(${draws(first.frames[0])} in it)`);
    const byName = {};
    for (const counts of first.frames)
        for (const [name, n] of Object.entries(counts))
            byName[name] = (byName[name] || 0) + n;
    const common = Object.entries(byName).sort((a, b) => b[1] - a[1]).slice(0, 12);
    console.log(`  the most made, per frame: ${common.map(([name, n]) =>
        `${name} ${(n / first.frames.length).toFixed(1)}`).join(', ')}`);
    const late = first.frames.map((counts, i) => ({ i, n: compiles(counts) })).filter((f) => f.n > 0);
    const lateOk = late.length === 0;
    over += lateOk ? 0 : 1;
    console.log(`  the start-up: ${total(first.outside)} calls, ${first.outside.compileShader || 0} shaders compiled ` +
                `and ${first.outside.linkProgram || 0} programs linked, ${first.shaderMs.toFixed(0)} ms in the shader ` +
                `calls of ${first.startMs.toFixed(0)} ms; compiles and links in the frames: ` +
                (lateOk ? 'none: within budget'
                        : `${late.map((f) => `frame ${f.i}: ${f.n}`).join(', ')}: OVER budget`));

    const perScene = await countWebGLCalls(browser, `${url}?bench=${spans.map((x) => `${x.first}:${x.last}`).join(',')}` +
                                                    `&frames=${frames}`);
    console.log(`  per scene, ${frames} frames of each span as timed above (the first span without its first frame):`);
    console.log('  scene  span (cs)          calls: mean    max   draws: mean    max');
    spans.forEach((span, i) => {
        const t = summary(perScene.frames.slice(Math.max(i * frames, 1), (i + 1) * frames));
        console.log(`  ${String(span.scene).padStart(5)}  ${`${span.first}-${span.last}`.padEnd(17)}  ` +
                    `${t.calls.toFixed(1).padStart(11)} ${String(t.maxCalls).padStart(6)}  ` +
                    `${t.draws.toFixed(1).padStart(11)} ${String(t.maxDraws).padStart(6)}`);
    });
    return over;
}
