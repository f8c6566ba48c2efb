// The demo in WebKit, the engine of Safari (WebKitGTK's MiniBrowser through
// WebKitWebDriver, on the caller's X server, sound into PulseAudio's null sink): the
// dist folder from a plain static server under a sub-path, answered No and answered
// Yes (full screen with its music: the sound is started before full screen in the
// click), and the single file opened from disk. Each time the canvas shows a
// picture, the music plays at least 3 s with a real peak and keeps within 40 ms of the
// picture's clock, its unfaded frames are the native soundtrack's, Escape ends the
// run, "play again" starts another, and the page logs no error. One still against the
// native capture tool.
//
//   node webkit_test.mjs DIST SINGLE_FILE CAPTURE OUT_DIR
import { execFileSync } from 'node:child_process';
import { mkdirSync } from 'node:fs';
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { Checks, brightness, compareRecording, medianAndWorst, musicOffsets, psnr, readWav,
         serveStatic, sleep } from './browser.mjs';
import { ESCAPE, WebKit } from './webdriver.mjs';

const [dist, singleFile, capture, out] = process.argv.slice(2);
mkdirSync(out, { recursive: true });
const checks = new Checks();
const RATE = 44100;
const STILL = { at: 1000, fps: 2 };
execFileSync(capture, ['--audio', `${out}/native.wav`, '--range', '0:1500'], { stdio: 'ignore' });
const native = readWav(`${out}/native.wav`).samples;
execFileSync(capture, ['--fps', String(STILL.fps), '--size', '640x480', '--at', String(STILL.at), '--out', `${out}/native`],
             { env: { ...process.env, SDL_VIDEODRIVER: 'offscreen' }, stdio: 'ignore' });
const server = await serveStatic(dist);

// One run: the answer, 6 s of it, Escape, play again, Escape.
async function run(webkit, url, what, answer) {
    await webkit.goto(url);
    checks.expect(await webkit.waitFor('window.quorvantile.phase === "question"', 10000), `${what}: the page asks its question`);
    await webkit.evaluate(`window.quorvantile.recordFrames = ${4 * RATE};`);
    await webkit.click(answer === 'yes' ? '#yes' : '#no');
    await webkit.waitFor('window.quorvantile.timings.firstFrame', 15000);
    await sleep(6000);
    const shot = `${out}/${what.replace(/\W+/g, '_')}.png`;
    await webkit.screenshot('canvas', shot);
    const light = brightness(shot);
    const [reports, zeroAt, fullscreen] = await webkit.evaluate(`
        return [window.quorvantile.audioReports(), window.quorvantile.timings.zeroAt,
                document.fullscreenElement === document.getElementById('canvas')];`);
    const last = reports[reports.length - 1];
    const measured = musicOffsets(reports, zeroAt, RATE);
    const offsets = measured.map((o) => o.offset);
    const { median, worst } = medianAndWorst(offsets);
    checks.expect(light > 0.02, `${what}: the canvas shows a picture (mean ${light.toFixed(3)})`);
    checks.expect(last && last.framesPlayed >= 3 * RATE && last.peak > 1000,
                  `${what}: the music plays (${last && (last.framesPlayed / RATE).toFixed(2)} s, peak ${last && last.peak})`);
    checks.expect(offsets.length >= 10 && Math.abs(worst) <= 40,
                  `${what}: music - picture within 40 ms (median ${median.toFixed(1)}, worst ${worst.toFixed(1)} ms over ` +
                  `${offsets.length} reports${measured.unsteady ? `; ${measured.unsteady} made while the device ran dry left out` : ''})`);
    if (answer === 'yes')
        checks.expect(fullscreen, `${what}: full screen on the canvas`);
    const heard = await compareRecording(webkit, native);
    checks.expect(heard.unfaded > 2 * RATE && heard.differ < 0,
                  `${what}: the frames played unfaded are the native soundtrack's (${heard.unfaded}, from frame ` +
                  `${heard.firstFrame})${heard.differ >= 0 ? `; they differ at frame ${heard.differ}` : ''}`);

    await webkit.keyDown(ESCAPE);
    const ended = await webkit.waitFor('window.quorvantile.phase === "ended"', 3000);
    await webkit.keyUp(ESCAPE);
    const left = await webkit.evaluate('return !document.fullscreenElement;');
    checks.expect(ended && left, `${what}: Escape ends the run${answer === 'yes' ? ' and leaves full screen' : ''}`);
    await webkit.click('#again');
    const again = await webkit.waitFor('window.quorvantile.phase === "running" && window.quorvantile.audio() && ' +
                                       'window.quorvantile.audio().framesPlayed > 0.3 * 44100', 15000);
    checks.expect(again, `${what}: play again starts a fresh run with its music`);
    await webkit.keyDown(ESCAPE);
    await webkit.waitFor('window.quorvantile.phase === "ended"', 3000);
    await webkit.keyUp(ESCAPE);
    const errors = await webkit.errors();
    checks.expect(errors.length === 0, `${what}: no console errors${errors.length ? ': ' + errors.join('; ') : ''}`);
}

let webkit = null;
try {
    webkit = await WebKit.launch();
    await run(webkit, server.url, 'No from a sub-path', 'no');
    await run(webkit, server.url, 'Yes from a sub-path', 'yes');
    await run(webkit, pathToFileURL(resolve(singleFile)).href, 'the single file from disk', 'no');

    await webkit.goto(`${server.url}?at=${STILL.at}&fps=${STILL.fps}`);
    await webkit.waitFor('document.getElementById("canvas").dataset.ready', 240000);
    const drawn = await webkit.evaluate('const c = document.getElementById("canvas"); return `${c.width}x${c.height}`;');
    const name = `frame_${String(STILL.at).padStart(5, '0')}.png`;
    mkdirSync(`${out}/browser`, { recursive: true });
    await webkit.screenshot('canvas', `${out}/browser/${name}`);
    const value = drawn === '640x480' ? psnr(`${out}/native/${name}`, `${out}/browser/${name}`) : 0;
    checks.expect(value >= 30, `the still at ${STILL.at} cs (${drawn}): ${value.toFixed(2)} dB against the native capture`);
} catch (error) {
    checks.expect(false, `the runs went through: ${error.stack || error}`);
} finally {
    if (webkit)
        await webkit.close();
    server.stop();
}
checks.finish('WebKit plays the demo with its music, in a window and full screen, from a server and from disk');
