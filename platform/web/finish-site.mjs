#!/usr/bin/env node
// Finishes the static site once its files are in place: the show's length and the site's
// address in index.html, the hash of its style for the content security policy, and the
// service worker with every file and a cache named by their content. Run again on a site it
// finished, it brings all of that up to date with the files as they are now.
// Usage: node finish-site.mjs SITE [URL]   (URL: where the site will be served, for link
// previews that want whole addresses; the tags stay relative without it)
import { createHash } from 'node:crypto';
import { readdir, readFile, writeFile } from 'node:fs/promises';
import { dirname, join, relative, sep } from 'node:path';
import { fileURLToPath } from 'node:url';

const [site, siteUrl = ''] = process.argv.slice(2);
if (!site) {
    console.error('usage: node finish-site.mjs SITE [URL]');
    process.exit(2);
}
const workerTemplate = join(dirname(fileURLToPath(import.meta.url)), 'page', 'sw.js');
const workerName = 'sw.js';

// Samples in the MP3 file's frames over its sample rate; what its tags hold is skipped.
function mp3Seconds(bytes) {
    const rates = { 3: [44100, 48000, 32000], 2: [22050, 24000, 16000], 0: [11025, 12000, 8000] };
    const kbits = {
        3: [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
        2: [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
    };
    let at = 0;
    if (bytes.subarray(0, 3).toString('latin1') === 'ID3') {
        at = 10 + ((bytes[6] << 21) | (bytes[7] << 14) | (bytes[8] << 7) | bytes[9]);
    }
    let samples = 0;
    let rate = 0;
    while (at + 4 <= bytes.length) {
        const version = (bytes[at + 1] >> 3) & 3; // 3: MPEG 1, 2: MPEG 2, 0: MPEG 2.5
        const bitrate = bytes[at + 2] >> 4;
        const rateIndex = (bytes[at + 2] >> 2) & 3;
        const layer3 = ((bytes[at + 1] >> 1) & 3) === 1;
        if (bytes[at] !== 0xff || (bytes[at + 1] & 0xe0) !== 0xe0 || version === 1 || !layer3 ||
            bitrate === 0 || bitrate === 15 || rateIndex === 3) {
            at++;
            continue;
        }
        rate = rates[version][rateIndex];
        const perFrame = version === 3 ? 1152 : 576;
        const size = Math.floor(((perFrame / 8) * kbits[version === 3 ? 3 : 2][bitrate] * 1000) / rate) +
            ((bytes[at + 2] >> 1) & 1);
        samples += perFrame;
        at += size;
    }
    return rate > 0 ? samples / rate : 0;
}

async function filesUnder(dir) {
    const found = [];
    for (const entry of await readdir(dir, { withFileTypes: true })) {
        const path = join(dir, entry.name);
        if (entry.isDirectory()) {
            found.push(...(await filesUnder(path)));
        } else if (entry.isFile()) {
            found.push(path);
        }
    }
    return found;
}

const sha256 = (bytes) => createHash('sha256').update(bytes).digest('base64');

async function finishPage() {
    const path = join(site, 'index.html');
    let page = await readFile(path, 'utf8');
    const seconds = Math.floor(mp3Seconds(await readFile(join(site, 'data', 'muzak.mp3'))));
    const length = `${Math.floor(seconds / 60)}:${String(seconds % 60).padStart(2, '0')}`;
    const urlTag = siteUrl ? `<meta property="og:url" content="${siteUrl}">\n` : '';
    page = page.replaceAll('@TUVORAN_LENGTH@', length)
        .replaceAll('@TUVORAN_LENGTH_WORDS@', `${seconds} seconds`)
        .replaceAll('@TUVORAN_SITE_URL@', siteUrl)
        .replaceAll('@TUVORAN_SITE_URL_TAG@', urlTag);
    const style = /<style>([\s\S]*?)<\/style>/.exec(page);
    page = page.replace(/'sha256-[^']*'/, `'sha256-${sha256(style ? style[1] : '')}'`);
    await writeFile(path, page);
}

// The worker keeps every file of the site, each checked against its hash as it is stored.
async function writeWorker() {
    const files = (await filesUnder(site))
        .map((path) => relative(site, path).split(sep).join('/'))
        // The link preview's picture is for other sites, never for the page.
        .filter((name) => name !== workerName && name !== 'card.jpg')
        .sort();
    const listed = [];
    const whole = createHash('sha256');
    for (const name of files) {
        const hash = sha256(await readFile(join(site, name)));
        listed.push([name, `sha256-${hash}`]);
        whole.update(`${name}\0${hash}\0`);
        if (name === 'index.html') {
            listed.push(['./', `sha256-${hash}`]);
        }
    }
    const cacheName = `tuvoran-${whole.digest('hex').slice(0, 16)}`;
    const worker = (await readFile(workerTemplate, 'utf8'))
        .replace('@TUVORAN_CACHE_NAME@', cacheName)
        .replace('@TUVORAN_SITE_FILES@', `[\n  ${listed.map((entry) => JSON.stringify(entry)).join(',\n  ')},\n]`);
    await writeFile(join(site, workerName), worker);
    return cacheName;
}

await finishPage();
console.log(`${await writeWorker()}: ${site}`);
