// The demo's run in the browser, from a plain static server (no cross-origin
// isolation) under a sub-path: the page loads without errors and asks its question;
// No starts the demo; after 5 s the canvas shows a picture and the sound has played
// music that is not silent, started with the picture, whose first seconds equal the
// native soundtrack sample for sample; a main-thread stall of 250 ms, as a slow
// frame would be, does not hold the music's mixing or playing up, and no quantum is
// starved; a resize of the page (and of its pixel density) redraws the canvas at its
// new size; Escape ends the run, stops the sound and offers to play again, which
// starts a fresh run; the end of the demo's time (reached by moving the page's clock
// on) leaves the last frame dimmed, silent, with "play again". Yes asks for full
// screen. In Firefox, also: with no sound device the page says "Sound init failed."
// rather than waiting for a device for ever.
//
//   node run_test.mjs DIST CAPTURE OUT_DIR
import { execFileSync } from 'node:child_process';
import { mkdirSync } from 'node:fs';
import { Checks, PuppeteerPage, brightness, compareRecording, launch, musicOffsets, openPage, readWav, serveStatic,
         sleep } from './browser.mjs';

const [dist, capture, out] = process.argv.slice(2);
mkdirSync(out, { recursive: true });
const checks = new Checks();
const RATE = 44100;
const RECORD_SECONDS = 4;
execFileSync(capture, ['--audio', `${out}/native.wav`, '--range', `0:${(RECORD_SECONDS + 8) * 100}`], { stdio: 'ignore' });
const native = readWav(`${out}/native.wav`).samples;
const server = await serveStatic(dist);
const browser = await launch();

const audio = (page) => page.evaluate(() => window.quorvantile.audio());
const phase = (page) => page.evaluate(() => window.quorvantile.phase);

// The browser's Escape: held, as a person presses it, until a frame has seen it down
// and the run has ended (at most 2 s).
async function pressEscape(page) {
    await page.keyboard.down('Escape');
    await page.waitForFunction(() => window.quorvantile.phase === 'ended', { timeout: 2000 }).catch(() => {});
    await page.keyboard.up('Escape');
}

// The page's clock, performance.now, which the module's demo clock reads, with an
// offset a test can move on.
const MOVABLE_CLOCK = () => {
    const now = performance.now.bind(performance);
    window.clockOffset = 0;
    performance.now = () => now() + window.clockOffset;
};

// After the end of a run: the player has reported its stop, and plays no more.
async function expectSilence(page, what) {
    await page.waitForFunction(() => window.quorvantile.audio() && !window.quorvantile.audio().playing,
                               { timeout: 3000 }).catch(() => {});
    const stopped = await audio(page);
    await sleep(500);
    const later = await audio(page);
    checks.expect(stopped && !stopped.playing && later.framesPlayed === stopped.framesPlayed,
                  `${what}: the player reported its stop and played no more`);
}

try {
    const { page, errors } = await openPage(browser);
    await page.evaluateOnNewDocument(MOVABLE_CLOCK);
    const response = await page.goto(server.url, { waitUntil: 'load' });
    const headers = response.headers();
    checks.expect(!headers['cross-origin-opener-policy'] && !headers['cross-origin-embedder-policy'] &&
                  !(await page.evaluate(() => window.crossOriginIsolated)),
                  `served under ${new URL(server.url).pathname} with no cross-origin isolation`);
    await page.waitForSelector('#question:not(.hidden)');
    checks.expect((await page.$eval('#question p', (p) => p.textContent)) === 'Are you fullscreen ?',
                  'the page asks "Are you fullscreen ?"');

    await page.evaluate((frames) => { window.quorvantile.recordFrames = frames; }, RECORD_SECONDS * RATE);
    await page.click('#no');
    await sleep(5000);
    await (await page.$('canvas')).screenshot({ path: `${out}/after_5s.png` });
    const light = brightness(`${out}/after_5s.png`);
    checks.expect(light > 0.02, `after 5 s the canvas is not black (mean ${light.toFixed(3)})`);
    const first = await audio(page);
    checks.expect(first && first.framesPlayed > 2 * RATE,
                  `after 5 s the sound has played ${first && (first.framesPlayed / RATE).toFixed(2)} s`);
    checks.expect(first && first.peak > 1000, `the sound is not silent (peak ${first && first.peak})`);
    // The music keeps the demo's clock: the frame of the music each report says the
    // device played at its time, against the demo's time then.
    const measured = musicOffsets(...await page.evaluate(() => [window.quorvantile.audioReports(),
                                                                 window.quorvantile.timings.zeroAt]), RATE);
    const offsets = measured.map((o) => o.offset);
    checks.expect(offsets.length >= 10 && offsets.every((o) => Math.abs(o) <= 40),
                  `the music keeps the picture's time (${offsets.length} reports after the first second, ` +
                  `music - picture from ${Math.min(...offsets).toFixed(1)} to ${Math.max(...offsets).toFixed(1)} ms` +
                  `${measured.unsteady ? `; ${measured.unsteady} made while the device ran dry left out` : ''})`);

    // The recording is whole once the player has played it all: on a busy machine a
    // browser's audio thread can run a second or more behind the page's clock.
    for (const deadline = Date.now() + 20000; Date.now() < deadline; await sleep(100)) {
        const now = await audio(page);
        if (now && now.framesPlayed >= RECORD_SECONDS * RATE)
            break;
    }
    const heard = await compareRecording(new PuppeteerPage(page, errors), native);
    checks.expect(heard.unfaded > 3 * RATE && heard.differ < 0,
                  `the music played in the first ${RECORD_SECONDS} s is the native soundtrack's, frame for frame ` +
                  `(${heard.unfaded} frames unfaded, from frame ${heard.firstFrame})` +
                  (heard.differ >= 0 ? `: they differ at frame ${heard.differ}` : ''));

    // A frame of 250 ms: the main thread busy. The player's reports carry its own
    // clock: those sent during the stall show it mixing and playing on.
    const stall = await page.evaluate(() => {
        const from = Date.now();
        while (Date.now() < from + 250) {
        }
        return { from, to: Date.now() };
    });
    await sleep(300);
    const reports = await page.evaluate(() => window.quorvantile.audioReports());
    const before = reports.filter((r) => r.at < stall.from).pop();
    const during = reports.filter((r) => r.at >= stall.from && r.at <= stall.to).pop();
    checks.expect(before && during && during.framesPlayed > before.framesPlayed && during.blocksMixed > before.blocksMixed,
                  `during a 250 ms stall of the page the music went on playing and mixing (` +
                  (before && during ? `${during.framesPlayed - before.framesPlayed} frames, ` +
                                      `${during.blocksMixed - before.blocksMixed} blocks` : 'no report') + ')');
    const later = await audio(page);
    checks.expect(later.starved === 0 && later.longestGapMs < 1000,
                  `the player never starved (${later.starved} quanta); at most ${later.longestGapMs} ms between ` +
                  'two blocks mixed, of the 2000 the ring holds');

    // Another size and pixel density: the canvas draws at the page's 4:3 box times
    // devicePixelRatio.
    await page.setViewport({ width: 1000, height: 600, deviceScaleFactor: 2 });
    await sleep(1000);
    const sized = await page.evaluate(() => {
        const canvas = document.getElementById('canvas');
        const wanted = 4 * Math.round(Math.min(innerWidth, innerHeight * 4 / 3) * devicePixelRatio / 4);
        return { width: canvas.width, height: canvas.height, wanted, ratio: devicePixelRatio };
    });
    await (await page.$('canvas')).screenshot({ path: `${out}/resized.png` });
    const resizedLight = brightness(`${out}/resized.png`);
    checks.expect(sized.width === sized.wanted && sized.height === sized.wanted * 3 / 4 && resizedLight > 0.02,
                  `resized to 1000 x 600 at ${sized.ratio} device pixels a pixel, the canvas draws ` +
                  `${sized.width} x ${sized.height} (mean ${resizedLight.toFixed(3)})`);
    await page.setViewport({ width: 640, height: 480 });
    await sleep(500);

    await pressEscape(page);
    await page.waitForFunction(() => window.quorvantile.phase === 'ended', { timeout: 5000 }).catch(() => {});
    checks.expect((await phase(page)) === 'ended', 'Escape ends the run');
    await expectSilence(page, 'Escape');
    checks.expect(await page.$eval('#end', (e) => !e.classList.contains('hidden')), 'the page offers to play again');

    await page.click('#again');
    await page.waitForFunction(() => window.quorvantile.phase === 'running' && window.quorvantile.timings.firstFrame,
                               { timeout: 10000 }).catch(() => {});
    await sleep(1500);
    const again = await audio(page);
    checks.expect((await phase(page)) === 'running' && again && again.playing && again.framesPlayed > 0.2 * RATE,
                  'play again starts a fresh run with its music');
    await page.screenshot({ path: `${out}/again.png` });

    await page.evaluate(() => { window.clockOffset = 175000; });
    await page.waitForFunction(() => window.quorvantile.phase === 'ended', { timeout: 5000 }).catch(() => {});
    await sleep(500);
    const ending = await page.evaluate(() => ({
        dimmed: document.getElementById('canvas').classList.contains('dimmed'),
        again: !document.getElementById('end').classList.contains('hidden'),
    }));
    await page.screenshot({ path: `${out}/end.png` });
    checks.expect((await phase(page)) === 'ended' && ending.dimmed && ending.again,
                  'at the end of the demo the last frame stays, dimmed, with "play again"');
    await expectSilence(page, 'the end');
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

    if (process.env.QV_BROWSER === 'firefox') {
        const silent = await launch({ sound: false });
        const { page: mute } = await openPage(silent);
        await mute.goto(server.url, { waitUntil: 'load' });
        await mute.click('#no');
        await mute.waitForFunction(() => window.quorvantile.phase === 'ended', { timeout: 10000 }).catch(() => {});
        const said = await mute.evaluate(() => document.getElementById('message-text').textContent);
        checks.expect(said === 'Sound init failed.', `with no sound device the page says "${said}"`);
        await silent.close();
    }
} catch (error) {
    checks.expect(false, `the run went through: ${error.stack || error}`);
} finally {
    await browser.close();
    server.stop();
}
checks.finish('the page runs the demo with its music from a plain static server, ends it on Escape and plays again');
