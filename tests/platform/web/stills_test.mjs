// Stills of ?at=T against the native capture tool: the same frames on the same fixed
// step (&fps), drawn by the browser through WebGL 2 and by the driver's fixed-function
// pipeline, must agree to at least LIMIT dB of PSNR at each time; the page loads
// without errors and marks the canvas ready only once frame T is on it.
//
//   node stills_test.mjs SERVE_WEB DIST CAPTURE OUT_DIR LIMIT FPS TIME...
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, rmSync } from 'node:fs';
import { Checks, launch, openPage, psnr, serve } from './browser.mjs';

const [serveScript, dist, capture, out, limitText, fpsText, ...times] = process.argv.slice(2);
const limit = Number(limitText), fps = Number(fpsText);
const checks = new Checks();
if (!existsSync(capture)) {
    checks.expect(false, `the native capture tool is at ${capture} (build the release preset first)`);
    checks.finish();
}
rmSync(out, { recursive: true, force: true });
mkdirSync(`${out}/browser`, { recursive: true });
execFileSync(capture, ['--fps', String(fps), ...times.flatMap((t) => ['--at', t]), '--out', `${out}/native`],
             { env: { ...process.env, SDL_VIDEODRIVER: 'offscreen' }, stdio: 'ignore' });

const server = await serve(serveScript, dist);
const browser = await launch();
try {
    for (const t of times) {
        const { page, errors } = await openPage(browser);
        const started = Date.now();
        await page.goto(`${server.url}?at=${t}&fps=${fps}`, { waitUntil: 'load' });
        await page.waitForSelector('canvas[data-ready]', { timeout: 240000 });
        const name = `frame_${t.padStart(5, '0')}.png`;
        await (await page.$('canvas')).screenshot({ path: `${out}/browser/${name}` });
        const value = psnr(`${out}/native/${name}`, `${out}/browser/${name}`);
        checks.expect(value >= limit, `${t} cs: ${value.toFixed(2)} dB against the native capture ` +
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
checks.finish(`every still within ${limit} dB of the native capture; look at ${out}/{native,browser}`);
