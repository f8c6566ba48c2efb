// The whole demo in one browser (QV_BROWSER: chromium, the default, firefox or webkit;
// the last two need a display: run under xvfb-run), on a page of 1024 x 768 CSS
// pixels from build/web/dist on a plain static server: the first frame's time after
// the click that answers No, the frame rate over the run, and the music's offset from
// the picture's clock at every report of its player from the first second to the end
// (median and worst; within 40 ms is the target). Takes the demo's length, about three
// minutes.
//
//   node bench/web_sync.mjs
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { medianAndWorst, musicOffsets, serveStatic, sleep } from '../tests/platform/web/browser.mjs';
import { openInEngine } from '../tests/platform/web/webdriver.mjs';

const root = join(dirname(fileURLToPath(import.meta.url)), '..');
const server = await serveStatic(join(root, 'build/web/dist'));
const { engine, target, close } = await openInEngine({ width: 1024, height: 768 });
try {
    await target.goto(server.url);
    await target.waitFor('window.quorvantile.phase === "question"', 10000);
    await target.click('#no');
    const reports = [];
    let zeroAt = null;
    // The player keeps its last reports only: they are collected as the run goes.
    while (true) {
        await sleep(5000);
        const now = await target.evaluate(`return { phase: window.quorvantile.phase, reports: window.quorvantile.audioReports(),
                                                    zeroAt: window.quorvantile.timings.zeroAt, timings: window.quorvantile.timings,
                                                    frames: window.quorvantile.frames };`);
        zeroAt = now.zeroAt;
        const seen = reports.length ? reports[reports.length - 1].at : -Infinity;
        reports.push(...now.reports.filter((r) => r.at > seen));
        if (now.phase === 'ended') {
            const offsets = musicOffsets(reports, zeroAt, 44100);
            const { median, worst } = medianAndWorst(offsets.map((o) => o.offset));
            const seconds = (now.timings.started === undefined ? 0 : 173.12);
            console.log(`${engine} at 1024x768: first frame ${(now.timings.firstFrame - now.timings.click).toFixed(0)} ms ` +
                        `after the click; ${(now.frames / seconds).toFixed(1)} frames a second over the run; music - picture ` +
                        `over ${offsets.length} reports: median ${median.toFixed(1)} ms, worst ${worst.toFixed(1)} ms ` +
                        `(${offsets.unsteady} made while the device ran dry left out); ` +
                        `${reports[reports.length - 1].corrections} corrections`);
            break;
        }
    }
} finally {
    await close();
    server.stop();
}
