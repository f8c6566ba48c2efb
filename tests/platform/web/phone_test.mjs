// The demo on a phone: Chromium emulating a touch screen of 390 x 844 CSS pixels at 3
// device pixels a pixel, turned to 844 x 390, from the dist folder on a plain static
// server. The question is legible and its buttons large enough for a finger; a tap on
// Yes starts the run with its music; a tap on the picture never ends it; the canvas
// keeps 4:3 in both orientations and follows a rotation. Where the page has no full
// screen for elements (as on a phone's Safari) or refuses it, Yes gives a windowed run
// that fills the page, with no dialog; a request that returns no promise does not
// stop the run. When the sound cannot
// start, the error's text and OK can be read and tapped, and only then is "play
// again" offered, which asks the question again.
//
//   node phone_test.mjs DIST OUT_DIR
import { mkdirSync } from 'node:fs';
import { Checks, brightness, launch, openPage, serveStatic, sleep } from './browser.mjs';

const [dist, out] = process.argv.slice(2);
mkdirSync(out, { recursive: true });
const checks = new Checks();
const RATE = 44100;
const PORTRAIT = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
const LANDSCAPE = { ...PORTRAIT, width: 844, height: 390, isLandscape: true };
const server = await serveStatic(dist);
const browser = await launch();

// A page on the phone; `prepare` runs in it before its own scripts. Dialogs are
// counted and dismissed.
async function phonePage(prepare) {
    const { page, errors } = await openPage(browser, PORTRAIT);
    const dialogs = [];
    page.on('dialog', (dialog) => {
        dialogs.push(dialog.message());
        dialog.dismiss().catch(() => {});
    });
    if (prepare)
        await page.evaluateOnNewDocument(prepare);
    await page.goto(server.url, { waitUntil: 'load' });
    await page.waitForSelector('#question:not(.hidden)');
    return { page, errors, dialogs };
}

// A tap at the middle of an element.
async function tap(page, selector) {
    const box = await (await page.$(selector)).boundingBox();
    await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
}

// Whether a tap at the middle of the element reaches it (nothing covers it), and its
// size in CSS pixels.
function reachable(page, selector) {
    return page.$eval(selector, (element) => {
        const box = element.getBoundingClientRect();
        const hit = document.elementFromPoint(box.x + box.width / 2, box.y + box.height / 2);
        return { width: box.width, height: box.height, top: hit === element || element.contains(hit),
                 inside: box.left >= 0 && box.right <= innerWidth && box.top >= 0 && box.bottom <= innerHeight };
    });
}

const running = (page) => page.evaluate(() => window.quorvantile.phase === 'running');
const canvasSize = (page) => page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const box = canvas.getBoundingClientRect();
    return { width: canvas.width, height: canvas.height, cssWidth: box.width, cssHeight: box.height };
});

try {
    // The question, legible and for a finger, in both orientations.
    const { page, errors, dialogs } = await phonePage();
    for (const [name, viewport] of [['landscape', LANDSCAPE], ['portrait', PORTRAIT]]) {
        await page.setViewport(viewport);
        const yes = await reachable(page, '#yes'), no = await reachable(page, '#no');
        const box = await reachable(page, '#question');
        const font = await page.$eval('#question p', (p) => parseFloat(getComputedStyle(p).fontSize));
        checks.expect([yes, no].every((b) => b.width >= 44 && b.height >= 44 && b.top) && box.inside && font >= 14,
                      `${name}: the question fits the screen (${font} px text) and Yes and No are ` +
                      `${Math.round(yes.width)}x${Math.round(yes.height)} and ${Math.round(no.width)}x${Math.round(no.height)} CSS pixels`);
    }
    await page.screenshot({ path: `${out}/question.png` });

    await tap(page, '#yes');
    await page.waitForFunction(() => window.quorvantile.timings.firstFrame && window.quorvantile.audio(),
                               { timeout: 15000 }).catch(() => {});
    await sleep(3000);
    const played = await page.evaluate(() => window.quorvantile.audio());
    checks.expect((await running(page)) && played && played.framesPlayed > RATE && played.peak > 1000,
                  `a tap on Yes starts the run with its music (${played && (played.framesPlayed / RATE).toFixed(2)} s)`);
    const fullscreen = await page.evaluate(() => document.fullscreenElement === document.getElementById('canvas'));
    await tap(page, 'canvas');
    await sleep(1000);
    checks.expect(await running(page), `a tap on the picture${fullscreen ? ' in full screen' : ''} does not end the run`);

    const drawn = await canvasSize(page);
    checks.expect(drawn.width * 3 === drawn.height * 4, `full screen draws 4:3 (${drawn.width}x${drawn.height})`);
    checks.expect(dialogs.length === 0 && errors.length === 0,
                  `no dialog and no console errors${dialogs.concat(errors).map((e) => ': ' + e).join('')}`);
    await page.close();

    // No full screen for elements (the windowed run then fills the page, and follows a
    // rotation in 4:3), a refused request, and a request that returns no promise (as
    // older engines' do).
    const withoutFullscreen = [
        ['no full screen for elements', () => {
            delete Element.prototype.requestFullscreen;
            delete Element.prototype.webkitRequestFullscreen;
        }],
        ['a refused full-screen request', () => {
            Element.prototype.requestFullscreen = () => Promise.reject(new TypeError('not allowed'));
        }],
        ['a full-screen request that returns no promise', () => {
            const request = Element.prototype.requestFullscreen;
            Element.prototype.requestFullscreen = function () {
                request.call(this).catch(() => {});
            };
        }],
    ];
    for (const [name, prepare] of withoutFullscreen) {
        const phone = await phonePage(prepare);
        await tap(phone.page, '#yes');
        await phone.page.waitForFunction(() => window.quorvantile.timings.firstFrame, { timeout: 15000 }).catch(() => {});
        await sleep(1500);
        await tap(phone.page, 'canvas');
        await sleep(800);
        const view = await phone.page.evaluate(() => {
            const canvas = document.getElementById('canvas');
            const box = canvas.getBoundingClientRect();
            return { filled: canvas.classList.contains('filled') && box.width >= innerWidth - 1 && box.height >= innerHeight - 1,
                     fullscreen: document.fullscreenElement === canvas,
                     playing: !!(window.quorvantile.audio() && window.quorvantile.audio().playing) };
        });
        checks.expect((await running(phone.page)) && (view.filled || view.fullscreen) && view.playing &&
                      phone.dialogs.length === 0 && phone.errors.length === 0,
                      `${name}: Yes plays ${view.fullscreen ? 'full screen' : 'windowed, the canvas filling the page,'} ` +
                      `with music and no dialog, and a tap does not end it` +
                      `${phone.dialogs.concat(phone.errors).map((e) => ': ' + e).join('')}`);
        if (view.fullscreen || name !== withoutFullscreen[0][0]) {
            await phone.page.close();
            continue;
        }
        for (const [side, viewport] of [['landscape', LANDSCAPE], ['portrait', PORTRAIT]]) {
            await phone.page.setViewport(viewport);
            await sleep(800);
            const size = await phone.page.evaluate(() => {
                const canvas = document.getElementById('canvas');
                const width = 4 * Math.round(Math.min(innerWidth, innerHeight * 4 / 3) * devicePixelRatio / 4);
                return { width: canvas.width, height: canvas.height, wanted: [width, width * 3 / 4] };
            });
            await phone.page.screenshot({ path: `${out}/${side}.png` });
            const light = brightness(`${out}/${side}.png`);
            checks.expect(size.width === size.wanted[0] && size.height === size.wanted[1] && light > 0.01,
                          `${side}: the canvas draws the largest 4:3 box of the screen, ${size.width}x${size.height} ` +
                          `pixels (mean ${light.toFixed(3)})`);
        }
        await phone.page.close();
    }

    // A sound that never starts: the error is seen, then "play again" asks again.
    const mute = await phonePage(() => {
        AudioContext.prototype.resume = () => new Promise(() => {});
    });
    await tap(mute.page, '#no');
    await mute.page.waitForFunction(() => window.quorvantile.phase === 'ended', { timeout: 15000 }).catch(() => {});
    const said = await mute.page.$eval('#message-text', (p) => p.textContent);
    const ok = await reachable(mute.page, '#message-ok');
    const againShown = await mute.page.$eval('#end', (e) => !e.classList.contains('hidden'));
    await mute.page.screenshot({ path: `${out}/error.png` });
    checks.expect(said === 'Sound init failed.' && ok.top && ok.inside && ok.width >= 44 && ok.height >= 44 && !againShown,
                  `the error "${said}" and its OK can be read and tapped, with nothing over them`);
    await tap(mute.page, '#message-ok');
    await sleep(300);
    const again = await reachable(mute.page, '#again');
    checks.expect(again.top, 'once OK is tapped, "play again" is offered');
    await tap(mute.page, '#again');
    await sleep(300);
    checks.expect(await mute.page.$eval('#question', (e) => !e.classList.contains('hidden')),
                  'play again after a failed sound asks the question again');
    await mute.page.close();
} catch (error) {
    checks.expect(false, `the phone runs went through: ${error.stack || error}`);
} finally {
    await browser.close();
    server.stop();
}
checks.finish('on a phone the demo starts with a tap, plays with its music, and a tap never ends it');
