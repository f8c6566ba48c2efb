// Shared by the browser tests and the budgets benchmark: the dist folder served by
// scripts/serve-web, headless Chromium driven through puppeteer-core, the page's
// console watched for errors, and images compared through ImageMagick.
import { execFileSync, spawn } from 'node:child_process';
import { createInterface } from 'node:readline';
import puppeteer from 'puppeteer-core';

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Starts scripts/serve-web on a free port; resolves to { url, stop }.
export function serve(serveScript, dist) {
    const server = spawn(serveScript, ['--port', '0', '--dir', dist], { stdio: ['ignore', 'pipe', 'inherit'] });
    return new Promise((resolve, reject) => {
        server.on('error', reject);
        server.on('exit', (code) => reject(new Error(`serve-web ended with ${code}`)));
        createInterface({ input: server.stdout }).once('line', (url) =>
            resolve({ url, stop: () => server.kill('SIGTERM') }));
    });
}

// Headless Chromium with WebGL 2 on SwiftShader; or, with QV_BROWSER=firefox,
// Firefox ESR, which has WebGL 2 here only with a display (run it under xvfb-run):
// headless it finds no GL driver.
export function launch() {
    if (process.env.QV_BROWSER === 'firefox') {
        return puppeteer.launch({
            browser: 'firefox',
            executablePath: '/usr/bin/firefox-esr',
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

// A page of 640 x 480 CSS pixels, so that the canvas is shown at its own size. The
// returned list collects console errors, uncaught exceptions and failed requests.
export async function openPage(browser) {
    const page = await browser.newPage();
    await page.setViewport({ width: 640, height: 480 });
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
