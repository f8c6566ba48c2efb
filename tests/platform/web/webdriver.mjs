// WebKit, the engine of Safari, for the browser tests: WebKitGTK's MiniBrowser
// driven through WebKitWebDriver by the W3C WebDriver protocol (plain HTTP and JSON,
// so no client library is needed), on the X server of the caller's xvfb-run, its
// sound into PulseAudio (a private one with a null sink where none runs). The
// protocol has no way into a page before it loads, so console errors, uncaught
// exceptions and rejections are collected from the moment each page has loaded (a
// page that fails to load does not get as far as its question).
import { spawn } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import { createServer } from 'node:net';
import { PuppeteerPage, ensureSoundServer, launch, sleep } from './browser.mjs';

export const MINIBROWSER = process.env.QV_MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
const ELEMENT = 'element-6066-11e4-a52e-4f735466cecf';

// A free port of 127.0.0.1.
function freePort() {
    return new Promise((resolve, reject) => {
        const server = createServer();
        server.on('error', reject);
        server.listen(0, '127.0.0.1', () => {
            const { port } = server.address();
            server.close(() => resolve(port));
        });
    });
}

export class WebKit {
    // Starts the driver and a session of MiniBrowser with a window of width x height
    // CSS pixels.
    static async launch({ width = 640, height = 480 } = {}) {
        await ensureSoundServer();
        const port = await freePort();
        const driver = spawn('WebKitWebDriver', [`--port=${port}`, '--host=127.0.0.1'], { stdio: 'ignore' });
        const webkit = new WebKit(driver, `http://127.0.0.1:${port}`);
        for (let i = 0; ; ++i) {
            try {
                await webkit.call('GET', '/status');
                break;
            } catch (error) {
                if (i === 50)
                    throw new Error(`WebKitWebDriver did not answer: ${error.message}`);
                await sleep(100);
            }
        }
        const session = await webkit.call('POST', '/session', { capabilities: { alwaysMatch: {
            'webkitgtk:browserOptions': {
                binary: MINIBROWSER,
                args: ['--automation', '--enable-fullscreen=true', '--enable-webaudio=true'],
            },
        } } });
        webkit.session = `/session/${session.sessionId}`;
        await webkit.setViewport(width, height);
        return webkit;
    }

    // A page of width x height CSS pixels: the window is sized for it around its
    // frame.
    async setViewport(width, height) {
        await this.command('POST', '/window/rect', { width, height });
        const [inner, outer] = await this.evaluate('return [[innerWidth, innerHeight], [outerWidth, outerHeight]];');
        if (inner[0] !== width || inner[1] !== height)
            await this.command('POST', '/window/rect', { width: width + outer[0] - inner[0], height: height + outer[1] - inner[1] });
    }

    constructor(driver, url) {
        this.driver = driver;
        this.url = url;
        this.session = '';
    }

    async call(method, path, body) {
        const response = await fetch(this.url + path, {
            method, headers: { 'content-type': 'application/json' },
            body: body === undefined ? undefined : JSON.stringify(body),
        });
        const answer = await response.json();
        if (!response.ok)
            throw new Error(`WebDriver ${method} ${path}: ${answer.value && answer.value.message}`);
        return answer.value;
    }

    command(method, path, body) {
        return this.call(method, this.session + path, body);
    }

    // Opens the page and starts collecting its errors.
    async goto(url) {
        await this.command('POST', '/url', { url });
        await this.evaluate(`
            const errors = window.testErrors = [];
            const error = console.error.bind(console);
            console.error = (...args) => { errors.push('console: ' + args.join(' ')); error(...args); };
            addEventListener('error', (event) => errors.push('exception: ' + event.message));
            addEventListener('unhandledrejection', (event) => errors.push('rejection: ' + event.reason));`);
    }

    // The page's errors since it loaded.
    errors() {
        return this.evaluate('return window.testErrors || [\'the page lost its error log\'];');
    }

    // Runs a function's body in the page with the given arguments; its result (a
    // promise's once settled) comes back as JSON.
    evaluate(body, ...args) {
        return this.command('POST', '/execute/async', {
            script: `const done = arguments[arguments.length - 1];
                     Promise.resolve((async function () { ${body} }).apply(null, Array.from(arguments).slice(0, -1)))
                         .then(done, (error) => done({ thrown: String(error) }));`,
            args,
        });
    }

    async waitFor(condition, timeoutMs) {
        for (const deadline = Date.now() + timeoutMs; Date.now() < deadline; await sleep(100)) {
            if (await this.evaluate(`return !!(${condition});`))
                return true;
        }
        return false;
    }

    async element(selector) {
        const found = await this.command('POST', '/element', { using: 'css selector', value: selector });
        return found[ELEMENT];
    }

    // A click as a person makes it: a real gesture for the page.
    async click(selector) {
        await this.command('POST', `/element/${await this.element(selector)}/click`, {});
    }

    async keyDown(key) {
        await this.command('POST', '/actions', { actions: [{ type: 'key', id: 'keyboard', actions: [{ type: 'keyDown', value: key }] }] });
    }

    async keyUp(key) {
        await this.command('POST', '/actions', { actions: [{ type: 'key', id: 'keyboard', actions: [{ type: 'keyUp', value: key }] }] });
    }

    async screenshot(selector, path) {
        const png = await this.command('GET', `/element/${await this.element(selector)}/screenshot`);
        writeFileSync(path, Buffer.from(png, 'base64'));
    }

    async close() {
        try {
            if (this.session)
                await this.command('DELETE', '');
        } catch {
            // the browser has gone already
        }
        this.driver.kill('SIGTERM');
    }
}

export const ESCAPE = '\uE00C';

// A page of the given size in the engine QV_BROWSER names (chromium, the default,
// firefox or webkit), and what closes it with its browser.
export async function openInEngine(viewport = { width: 640, height: 480 }) {
    const engine = process.env.QV_BROWSER || 'chromium';
    if (engine === 'webkit') {
        const target = await WebKit.launch(viewport);
        return { engine, target, close: () => target.close() };
    }
    const browser = await launch();
    try {
        const target = await PuppeteerPage.open(browser, viewport);
        return { engine, target, close: () => browser.close() };
    } catch (error) {
        await browser.close();
        throw error;
    }
}
