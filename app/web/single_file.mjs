// Writes the single-file demo: the dist folder's page with everything it loads
// inlined, so that it plays opened from disk and asks nothing of any server. The
// module's script goes in as it is; its WebAssembly, the music's WebAssembly (both in
// base64) and the audio worklet's code go in as window.quorvantileParts, which the
// page reads instead of fetching (the worklet is then loaded from a data: URL).
//
//   node single_file.mjs DIST OUTPUT.html
import { readFileSync, renameSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

const [dist, output] = process.argv.slice(2);
if (!dist || !output) {
    console.error('usage: node single_file.mjs DIST OUTPUT.html');
    process.exit(2);
}
const read = (name) => readFileSync(join(dist, name));
const page = read('index.html').toString();
const script = read('quorvantile.js').toString();

// Text that goes inside a <script> element must not end it or open a comment there.
function checkInline(name, text) {
    if (/<\/script|<!--/i.test(text)) {
        console.error(`single_file: ${name} holds "</script" or "<!--" and cannot go inline`);
        process.exit(1);
    }
    return text;
}

const parts = {
    wasm: read('quorvantile.wasm').toString('base64'),
    music: read('quorvantile_music.wasm').toString('base64'),
    worklet: read('audio_worklet.js').toString(),
};
const partsScript = `window.quorvantileParts = ${JSON.stringify(parts).replace(/<\//g, '<\\/').replace(/<!--/g, '<\\u0021--')};`;
const tag = '<script src="quorvantile.js"></script>';
if (!page.includes(tag)) {
    console.error(`single_file: index.html has no ${tag}`);
    process.exit(1);
}
const single = page.replace(tag, () =>
    `<script>${checkInline('the parts', partsScript)}</script>\n<script>${checkInline('quorvantile.js', script)}</script>`);
writeFileSync(`${output}.tmp`, single);
renameSync(`${output}.tmp`, output);
