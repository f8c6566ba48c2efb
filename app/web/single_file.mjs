// Writes the single-file demo: the dist folder's page with everything it loads, as
// one compressed payload inside a small page that unpacks it, so that it plays
// opened from disk and asks nothing of any server.
//
// The payload is the page, the module's script, its WebAssembly, the music's
// WebAssembly and the audio worklet's code, deflated together (raw deflate) and
// unpacked by the browser's own DecompressionStream. It sits in the file as bytes,
// not base64: the file is declared windows-1252, in which every byte is a character
// of its own, so the loader reads the bytes back from the text through the
// browser's windows-1252 decoder. Only the bytes that HTML would not keep as they
// are (NUL, CR, "<") and the escape itself are escaped: "=" and the byte plus 64.
// Unpacked, the page replaces the loader's, its scripts run in order, and the parts
// are window.quorvantileParts ({wasm, music: bytes, worklet: text}), which the page
// reads instead of fetching. A browser without DecompressionStream gets one line
// that says so.
//
//   node single_file.mjs DIST OUTPUT.html
import { readFileSync, renameSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { constants, deflateRawSync } from 'node:zlib';

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

const tag = '<script src="quorvantile.js"></script>';
if (!page.includes(tag)) {
    console.error(`single_file: index.html has no ${tag}`);
    process.exit(1);
}
const inlined = page.replace(tag, () => `<script>${checkInline('quorvantile.js', script)}</script>`);

// The payload: a little-endian uint32 per part with its length, then the parts.
const parts = [Buffer.from(inlined), read('quorvantile.wasm'), read('quorvantile_music.wasm'), read('audio_worklet.js')];
const lengths = Buffer.alloc(4 * parts.length);
parts.forEach((part, i) => lengths.writeUInt32LE(part.length, 4 * i));
const packed = deflateRawSync(Buffer.concat([lengths, ...parts]),
                              { level: constants.Z_BEST_COMPRESSION, memLevel: 9 });

const ESCAPE = 0x3d;   // "="
const escaped = [];
for (const byte of packed) {
    if (byte === 0x00 || byte === 0x0d || byte === 0x3c || byte === ESCAPE)
        escaped.push(ESCAPE, (byte + 64) & 255);
    else
        escaped.push(byte);
}

const loader = `
'use strict';
(function () {
    if (typeof DecompressionStream !== 'function') {
        document.body.textContent = 'This browser cannot unpack the demo: it has no DecompressionStream.';
        return;
    }
    // Each character of the text back to its byte.
    const bytesOf = new Map();
    const decoder = new TextDecoder('windows-1252');
    for (let byte = 0; byte < 256; ++byte)
        bytesOf.set(decoder.decode(Uint8Array.of(byte)).charCodeAt(0), byte);
    const text = document.getElementById('payload').textContent;
    const packed = new Uint8Array(text.length);
    let n = 0;
    for (let i = 0; i < text.length; ++i) {
        const byte = bytesOf.get(text.charCodeAt(i));
        packed[n++] = byte === ${ESCAPE} ? (bytesOf.get(text.charCodeAt(++i)) - 64) & 255 : byte;
    }
    const stream = new Blob([packed.subarray(0, n)]).stream().pipeThrough(new DecompressionStream('deflate-raw'));
    new Response(stream).arrayBuffer().then((buffer) => {
        const lengths = new DataView(buffer, 0, 16);
        const parts = [];
        let at = 16;
        for (let i = 0; i < 4; ++i) {
            const length = lengths.getUint32(4 * i, true);
            parts.push(new Uint8Array(buffer, at, length));
            at += length;
        }
        const utf8 = new TextDecoder();
        window.quorvantileParts = { wasm: parts[1], music: parts[2], worklet: utf8.decode(parts[3]) };
        const unpacked = new DOMParser().parseFromString(utf8.decode(parts[0]), 'text/html');
        document.documentElement.replaceWith(document.adoptNode(unpacked.documentElement));
        // Scripts that came in with the page do not run; copies of them do, in order.
        for (const old of document.querySelectorAll('script')) {
            const copy = document.createElement('script');
            copy.textContent = old.textContent;
            old.replaceWith(copy);
        }
    }, (error) => {
        document.body.textContent = 'The demo could not be unpacked: ' + error;
    });
})();
`;
const head = Buffer.from('<!DOCTYPE html>\n<html><head><meta charset="windows-1252"><title>quorvantile</title></head>\n' +
                         '<body style="background:#000;color:#ccc;font:16px sans-serif">\n' +
                         '<script id="payload" type="application/octet-stream">');
const tail = Buffer.from(`</script>\n<script>${checkInline('the loader', loader)}</script>\n</body></html>\n`);
writeFileSync(`${output}.tmp`, Buffer.concat([head, Buffer.from(escaped), tail]));
renameSync(`${output}.tmp`, output);
