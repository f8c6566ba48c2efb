// The demo's run in headless Chromium: the page loads without errors and asks its
// question; No starts the demo; after 5 s the canvas shows a picture and the sound
// has played music that is not silent; a main-thread stall of 100 ms, as a slow
// frame would be, does not hold the music up; Escape ends the run, stops the sound
// and offers to play again, which starts a fresh run; the end of the demo's time
// (reached by moving the page's clock on) leaves the last frame dimmed, silent, with
// "play again". Yes asks for full screen.
//
//   node run_test.mjs SERVE_WEB DIST OUT_DIR
import { mkdirSync } from 'node:fs';
import { Checks, brightness, launch, openPage, serve, sleep } from './browser.mjs';

const [serveScript, dist, out] = process.argv.slice(2);
mkdirSync(out, { recursive: true });
const checks = new Checks();
const server = await serve(serveScript, dist);
const browser = await launch();
const RATE = 44100;

const audio = (page) => page.evaluate(() => window.quorvantile.audio());
const phase = (page) => page.evaluate(() => window.quorvantile.phase);

// The browser's Escape: held a moment, as a person presses it, so that a frame sees
// it down.
async function pressEscape(page) {
    await page.keyboard.down('Escape');
    await sleep(300);
    await page.keyboard.up('Escape');
}

// The page's clock, performance.now, which the module's demo clock reads, with an
// offset a test can move on.
const MOVABLE_CLOCK = () => {
    const now = performance.now.bind(performance);
    window.clockOffset = 0;
    performance.now = () => now() + window.clockOffset;
};

try {
    const { page, errors } = await openPage(browser);
    await page.evaluateOnNewDocument(MOVABLE_CLOCK);
    await page.goto(server.url, { waitUntil: 'load' });
    await page.waitForSelector('#question:not(.hidden)');
    checks.expect((await page.$eval('#question p', (p) => p.textContent)) === 'Are you fullscreen ?',
                  'the page asks "Are you fullscreen ?"');

    await page.click('#no');
    await sleep(5000);
    await (await page.$('canvas')).screenshot({ path: `${out}/after_5s.png` });
    const light = brightness(`${out}/after_5s.png`);
    checks.expect(light > 0.02, `after 5 s the canvas is not black (mean ${light.toFixed(3)})`);
    const first = await audio(page);
    checks.expect(first && first.framesPlayed > 2 * RATE,
                  `after 5 s the sound has played ${first && (first.framesPlayed / RATE).toFixed(2)} s`);
    checks.expect(first && first.peak > 1000, `the sound is not silent (peak ${first && first.peak})`);
    // The demo's clock starts when the start returns, the music on the next quantum.
    const offset = await page.evaluate(() => (performance.now() - window.quorvantile.timings.started) / 1000 -
                                              window.quorvantile.audio().framesPlayed / 44100);
    checks.expect(Math.abs(offset) < 0.4, `picture and music started together (the picture ${(offset * 1000).toFixed(0)} ms ahead)`);

    // A frame of 100 ms: the main thread busy. The sound is read from inside it.
    const stall = await page.evaluate(() => {
        const before = window.quorvantile.audio();
        const until = performance.now() + 100;
        while (performance.now() < until) {
        }
        const after = window.quorvantile.audio();
        return { played: after.framesPlayed - before.framesPlayed, polled: after.framesAtPoll !== before.framesAtPoll };
    });
    checks.expect(stall.played > 0 && stall.polled,
                  `during a 100 ms stall of the page the sound played on (${stall.played} frames) and the ` +
                  `music thread went on mixing (${stall.polled ? 'it polled' : 'no poll'})`);
    const later = await audio(page);
    checks.expect(later.largestLagMs < 1000,
                  `the music thread stayed well ahead of the ring's end (at most ${later.largestLagMs.toFixed(0)} ms ` +
                  'between polls, of the 2000 the ring holds)');

    await pressEscape(page);
    await page.waitForFunction(() => window.quorvantile.phase === 'ended', { timeout: 5000 }).catch(() => {});
    checks.expect((await phase(page)) === 'ended', 'Escape ends the run');
    const stopped = await audio(page);
    await sleep(500);
    checks.expect((await audio(page)).framesPlayed === stopped.framesPlayed, 'the sound stops with the run');
    checks.expect(await page.$eval('#end', (e) => !e.classList.contains('hidden')), 'the page offers to play again');

    await page.click('#again');
    await page.waitForFunction(() => window.quorvantile.phase === 'running' && window.quorvantile.timings.firstFrame,
                               { timeout: 10000 }).catch(() => {});
    await sleep(1500);
    const again = await audio(page);
    checks.expect((await phase(page)) === 'running' && again && again.framesPlayed > 0.2 * RATE,
                  'play again starts a fresh run with its music');
    await page.screenshot({ path: `${out}/again.png` });

    await page.evaluate(() => { window.clockOffset = 175000; });
    await page.waitForFunction(() => window.quorvantile.phase === 'ended', { timeout: 5000 }).catch(() => {});
    const last = await audio(page);
    await sleep(500);
    const ending = await page.evaluate(() => ({
        dimmed: document.getElementById('canvas').classList.contains('dimmed'),
        again: !document.getElementById('end').classList.contains('hidden'),
    }));
    await page.screenshot({ path: `${out}/end.png` });
    checks.expect((await phase(page)) === 'ended' && ending.dimmed && ending.again,
                  'at the end of the demo the last frame stays, dimmed, with "play again"');
    checks.expect((await audio(page)).framesPlayed === last.framesPlayed, 'the sound stops at the end');
    checks.expect(errors.length === 0, `no console errors${errors.length ? ': ' + errors.join('; ') : ''}`);
    await page.close();

    // Yes: full screen on the canvas (or, where the browser refuses, windowed).
    const yes = await openPage(browser);
    await yes.page.goto(server.url, { waitUntil: 'load' });
    await yes.page.click('#yes');
    await yes.page.waitForFunction(() => window.quorvantile.timings.firstFrame, { timeout: 10000 }).catch(() => {});
    await sleep(500);
    const screen = await yes.page.evaluate(() => ({
        fullscreen: document.fullscreenElement === document.getElementById('canvas'),
        cursor: document.getElementById('canvas').style.cursor,
    }));
    checks.expect(screen.fullscreen ? screen.cursor === 'none' : screen.cursor !== 'none',
                  `Yes: ${screen.fullscreen ? 'full screen on the canvas, no cursor' : 'refused, windowed with the cursor'}`);
    await pressEscape(yes.page);
    await yes.page.waitForFunction(() => window.quorvantile.phase === 'ended', { timeout: 5000 }).catch(() => {});
    checks.expect((await phase(yes.page)) === 'ended' &&
                  !(await yes.page.evaluate(() => !!document.fullscreenElement)),
                  'Escape ends the full-screen run and leaves full screen');
    checks.expect(yes.errors.length === 0, `no console errors${yes.errors.length ? ': ' + yes.errors.join('; ') : ''}`);
} catch (error) {
    checks.expect(false, `the run went through: ${error.stack || error}`);
} finally {
    await browser.close();
    server.stop();
}
checks.finish('the page runs the demo with its music, ends it on Escape and plays again');
