// The single file opened from disk (file://), as a double click opens it: it asks
// its question, No starts the demo, and after 4 s the canvas shows a picture and the
// music has played, not silent; the page asks nothing of any server or file beside
// it (every request is the file itself or a data: URL), and logs no error. In a
// browser without DecompressionStream the file says so in one line.
//
//   node single_file_test.mjs SINGLE_FILE OUT_DIR
import { mkdirSync } from 'node:fs';
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { Checks, brightness, launch, openPage, sleep } from './browser.mjs';

const [file, out] = process.argv.slice(2);
mkdirSync(out, { recursive: true });
const checks = new Checks();
const url = pathToFileURL(resolve(file)).href;
const browser = await launch();
try {
    const { page, errors } = await openPage(browser);
    const elsewhere = [];
    page.on('request', (request) => {
        if (request.url() !== url && !request.url().startsWith('data:'))
            elsewhere.push(request.url());
    });
    await page.goto(url, { waitUntil: 'load' });
    await page.waitForSelector('#question:not(.hidden)');
    await page.click('#no');
    await sleep(4000);
    await (await page.$('canvas')).screenshot({ path: `${out}/after_4s.png` });
    const light = brightness(`${out}/after_4s.png`);
    checks.expect(light > 0.02, `after 4 s the canvas is not black (mean ${light.toFixed(3)})`);
    const played = await page.evaluate(() => window.quorvantile.audio());
    checks.expect(played && played.framesPlayed > 44100 && played.peak > 1000,
                  `the music plays (${played && (played.framesPlayed / 44100).toFixed(2)} s, peak ${played && played.peak})`);
    checks.expect(elsewhere.length === 0, `nothing is requested but the file${elsewhere.length ? ': ' + elsewhere.join(', ') : ''}`);
    checks.expect(errors.length === 0, `no console errors${errors.length ? ': ' + errors.join('; ') : ''}`);
    const { page: old } = await openPage(browser);
    await old.evaluateOnNewDocument(() => { delete window.DecompressionStream; });
    await old.goto(url, { waitUntil: 'load' });
    const said = await old.evaluate(() => document.body.innerText.trim());
    checks.expect(/DecompressionStream/.test(said) && !said.includes('\n'),
                  `without DecompressionStream it says so in one line ("${said}")`);
} catch (error) {
    checks.expect(false, `the single file ran: ${error.stack || error}`);
} finally {
    await browser.close();
}
checks.finish(`${file} plays with its music from disk, asking nothing of the network`);
