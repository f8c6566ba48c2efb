// Shared by the browser tests and the budgets benchmark: the dist folder served by a
// plain static server, headless Chromium (or Firefox) driven through puppeteer-core,
// the page's console watched for errors, images compared through ImageMagick, and
// WAV files read.
import { execFileSync, spawn } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, symlinkSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { createInterface } from 'node:readline';
import puppeteer from 'puppeteer-core';

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A plain static server, as most hosts are: Python's http.server, which sends no
// Cross-Origin-Opener-Policy or -Embedder-Policy, serving the folder under a
// sub-path (/some/folder/) on a free port of 127.0.0.1. Resolves to { url, stop }.
export function serveStatic(folder, path = 'some/folder') {
    const root = mkdtempSync(join(tmpdir(), 'quorvantile-serve-'));
    mkdirSync(join(root, dirname(path)), { recursive: true });
    symlinkSync(resolve(folder), join(root, path));
    const server = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '--directory', root, '0'],
                         { stdio: ['ignore', 'pipe', 'ignore'] });
    const stop = () => {
        server.kill('SIGTERM');
        rmSync(root, { recursive: true, force: true });
    };
    return new Promise((resolvePromise, reject) => {
        server.on('error', reject);
        server.on('exit', (code) => reject(new Error(`the static server ended with ${code}`)));
        createInterface({ input: server.stdout }).on('line', (line) => {
            const port = / port (\d+)/.exec(line);
            if (port)
                resolvePromise({ url: `http://127.0.0.1:${port[1]}/${path}/`, stop });
        });
    });
}

// Headless Chromium with WebGL 2 on SwiftShader; or, with QV_BROWSER=firefox,
// Firefox ESR, which has WebGL 2 here only with a display (run it under xvfb-run):
// headless it finds no GL driver. Firefox without a sound server ({ sound: false })
// has no sound device at all.
export async function launch({ sound = true } = {}) {
    if (process.env.QV_BROWSER === 'firefox') {
        if (sound)
            await ensureSoundServer();
        return puppeteer.launch({
            browser: 'firefox',
            executablePath: '/usr/bin/firefox-esr',
            env: sound ? process.env : { ...process.env, PULSE_SERVER: 'unix:/nonexistent' },
            headless: false,
            extraPrefsFirefox: { 'media.autoplay.default': 0, 'media.volume_scale': '0.0' },
        });
    }
    return puppeteer.launch({
        executablePath: process.env.QV_CHROMIUM || '/usr/bin/chromium',
        headless: true,
        args: ['--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
               '--mute-audio'],
    });
}

// Firefox starts no AudioContext without a sound server: where none runs, a private
// PulseAudio with a null sink plays at the real rate until this process ends.
export async function ensureSoundServer() {
    const running = () => {
        try {
            execFileSync('pactl', ['info'], { stdio: 'ignore' });
            return true;
        } catch {
            return false;
        }
    };
    if (running())
        return;
    const server = spawn('pulseaudio', ['-n', '--daemonize=no', '--exit-idle-time=-1', '--load=module-null-sink',
                                        '--load=module-native-protocol-unix'], { stdio: 'ignore' });
    server.on('error', (error) => console.log(`(no PulseAudio: ${error.message})`));
    process.on('exit', () => server.kill('SIGTERM'));
    for (let i = 0; i < 50 && !running(); ++i)
        await sleep(100);
}

// A page of 640 x 480 CSS pixels (or the viewport given), whose 4:3 canvas draws at
// the page's size. The returned list collects console errors, uncaught exceptions
// and failed requests.
export async function openPage(browser, viewport = { width: 640, height: 480 }) {
    const page = await browser.newPage();
    await page.setViewport(viewport);
    const errors = [];
    page.on('console', (message) => {
        if (message.type() === 'error')
            errors.push(`console: ${message.text()}`);
    });
    page.on('pageerror', (error) => errors.push(`exception: ${error.message}`));
    page.on('requestfailed', (request) => errors.push(`request failed: ${request.url()}`));
    page.on('response', (response) => {
        if (response.status() >= 400)
            errors.push(`HTTP ${response.status()}: ${response.url()}`);
    });
    return { page, errors };
}

// Peak signal-to-noise ratio of b against a, in dB (99 for identical images).
export function psnr(a, b) {
    let text;
    try {
        text = execFileSync('compare', ['-metric', 'PSNR', a, b, 'null:'], { stdio: ['ignore', 'ignore', 'pipe'] })
                   .toString();
    } catch (error) {
        text = error.stderr ? error.stderr.toString() : '';   // compare exits 1 for different images
    }
    if (text.startsWith('inf'))
        return 99;
    const value = parseFloat(text);
    if (Number.isNaN(value))
        throw new Error(`cannot compare ${a} with ${b}: ${text}`);
    return value;
}

// Mean brightness of an image, 0 (black) to 1.
export function brightness(png) {
    return parseFloat(execFileSync('convert', [png, '-colorspace', 'gray', '-format', '%[fx:mean]', 'info:']).toString());
}

// The 16-bit samples of a WAV file, interleaved as stored: { channels, rate, samples }.
export function readWav(path) {
    const bytes = readFileSync(path);
    let format = null;
    for (let at = 12; at + 8 <= bytes.length;) {
        const id = bytes.toString('latin1', at, at + 4), size = bytes.readUInt32LE(at + 4);
        if (id === 'fmt ')
            format = { channels: bytes.readUInt16LE(at + 10), rate: bytes.readUInt32LE(at + 12), bits: bytes.readUInt16LE(at + 22) };
        if (id === 'data' && format && format.bits === 16) {
            const data = bytes.subarray(at + 8, at + 8 + size);
            const samples = new Int16Array(data.buffer.slice(data.byteOffset, data.byteOffset + data.length));
            return { channels: format.channels, rate: format.rate, samples };
        }
        at += 8 + size + (size & 1);
    }
    throw new Error(`${path}: no 16-bit WAV data`);
}

// Checks that are all run and reported; the exit code says whether any failed.
export class Checks {
    constructor() { this.failures = 0; }
    expect(ok, what) {
        console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
        if (!ok)
            ++this.failures;
    }
    finish(summary) {
        console.log(this.failures ? `FAIL: ${this.failures} check(s) failed` : `PASS: ${summary}`);
        process.exit(this.failures ? 1 : 0);
    }
}

// One page in any of the engines, behind the calls the engine-neutral tests make
// (the same as WebKit's in webdriver.mjs): evaluate(body, ...args) runs a function's
// body in the page, click, key presses, an element's screenshot, the page's errors.
export class PuppeteerPage {
    static async open(browser, viewport) {
        const { page, errors } = await openPage(browser, viewport);
        return new PuppeteerPage(page, errors);
    }

    constructor(page, errors) {
        this.page = page;
        this.pageErrors = errors;
    }

    goto(url) { return this.page.goto(url, { waitUntil: 'load' }); }
    evaluate(body, ...args) { return this.page.evaluate(`(async function () { ${body} })(...${JSON.stringify(args)})`); }
    async waitFor(condition, timeoutMs) {
        return this.page.waitForFunction(condition, { timeout: timeoutMs }).then(() => true, () => false);
    }
    click(selector) { return this.page.click(selector); }
    keyDown(key) { return this.page.keyboard.down(key); }
    keyUp(key) { return this.page.keyboard.up(key); }
    async screenshot(selector, path) { await (await this.page.$(selector)).screenshot({ path }); }
    errors() { return Promise.resolve(this.pageErrors.slice()); }
    close() { return this.page.close(); }
}

// Music minus picture, in ms, at each of the player's reports from `after` ms of the
// demo's time on: the frame of the music the device played at the report's time
// against the demo's time then. Reports made while the device was not steady (it ran
// dry within the last moments: its thread held up by a busy machine) are left out;
// `unsteady` counts them.
export function musicOffsets(reports, zeroAt, rate, after = 1000) {
    const playing = reports.filter((r) => r.playing && r.at - zeroAt >= after);
    const offsets = playing.filter((r) => r.steady !== false)
                           .map((r) => ({ demoMs: r.at - zeroAt, offset: r.musicFrame * 1000 / rate - (r.at - zeroAt) }));
    offsets.unsteady = playing.length - offsets.length;
    return offsets;
}

// The page's recording of the first frames played, against the native soundtrack:
// each frame played unfaded must be the native frame of its number.
export async function compareRecording(target, native) {
    const { samples, frames } = await target.evaluate(`
        const text = (array) => Array.from(new Uint8Array(array.buffer)).map((b) => String.fromCharCode(b)).join('');
        const heard = await window.quorvantile.audioRecording();
        return { samples: text(heard.samples), frames: text(heard.frames) };`);
    const played = new Int16Array(Buffer.from(samples, 'latin1').buffer.slice(0));
    const music = new Int32Array(Buffer.from(frames, 'latin1').buffer.slice(0));
    let unfaded = 0, differ = -1, firstFrame = -1;
    for (let i = 0; i < music.length && differ < 0; ++i) {
        const f = music[i];
        if (f < 0)
            continue;
        if (firstFrame < 0)
            firstFrame = f;
        if (played[2 * i] !== native[2 * f] || played[2 * i + 1] !== native[2 * f + 1])
            differ = f;
        ++unfaded;
    }
    return { unfaded, differ, firstFrame };
}

// The median and the largest in magnitude of some numbers.
export function medianAndWorst(values) {
    const sorted = values.slice().sort((a, b) => a - b);
    const worst = values.reduce((w, v) => (Math.abs(v) > Math.abs(w) ? v : w), 0);
    return { median: sorted.length ? sorted[sorted.length >> 1] : NaN, worst };
}
