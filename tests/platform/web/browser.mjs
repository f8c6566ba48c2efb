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
async function ensureSoundServer() {
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
