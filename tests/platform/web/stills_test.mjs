// Stills of ?at=T against the native capture tool: the same frames on the same fixed
// step (&fps) at the same size, drawn by the browser through WebGL 2 on a page of
// WxH CSS pixels (the canvas draws at the page's size) and by the driver's
// fixed-function pipeline at --size WxH, must agree to at least LIMIT dB of PSNR at
// each time; the page, served by a plain static server, loads without errors and
// marks the canvas ready only once frame T is on it.
//
//   node stills_test.mjs DIST CAPTURE OUT_DIR LIMIT FPS WxH TIME...
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, rmSync } from 'node:fs';
import { Checks, launch, openPage, psnr, serveStatic } from './browser.mjs';

const [dist, capture, out, limitText, fpsText, size, ...times] = process.argv.slice(2);
const limit = Number(limitText), fps = Number(fpsText);
const [width, height] = size.split('x').map(Number);
const checks = new Checks();
if (!existsSync(capture)) {
    checks.expect(false, `the native capture tool is at ${capture} (build the release preset first)`);
    checks.finish();
}
rmSync(out, { recursive: true, force: true });
mkdirSync(`${out}/browser`, { recursive: true });
execFileSync(capture, ['--fps', String(fps), '--size', size, ...times.flatMap((t) => ['--at', t]),
                       '--out', `${out}/native`],
             { env: { ...process.env, SDL_VIDEODRIVER: 'offscreen' }, stdio: 'ignore' });

const server = await serveStatic(dist);
const browser = await launch();
try {
    for (const t of times) {
        const { page, errors } = await openPage(browser, { width, height });
        const started = Date.now();
        await page.goto(`${server.url}?at=${t}&fps=${fps}`, { waitUntil: 'load' });
        await page.waitForSelector('canvas[data-ready]', { timeout: 240000 });
        const drawn = await page.$eval('canvas', (canvas) => `${canvas.width}x${canvas.height}`);
        const name = `frame_${t.padStart(5, '0')}.png`;
        await (await page.$('canvas')).screenshot({ path: `${out}/browser/${name}` });
        const value = drawn === size ? psnr(`${out}/native/${name}`, `${out}/browser/${name}`) : 0;
        checks.expect(value >= limit, `${t} cs at ${drawn}: ${value.toFixed(2)} dB against the native capture ` +
                      `(${((Date.now() - started) / 1000).toFixed(1)} s to draw)`);
        checks.expect(errors.length === 0, `${t} cs: no console errors${errors.length ? ': ' + errors.join('; ') : ''}`);
        await page.close();
    }
} catch (error) {
    checks.expect(false, `the stills were drawn: ${error.stack || error}`);
} finally {
    await browser.close();
    server.stop();
}
checks.finish(`every still at ${size} within ${limit} dB of the native capture; look at ${out}/{native,browser}`);
