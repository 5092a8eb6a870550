#!/usr/bin/env node
// Finishes the static site once its files are in place: the pictures of data/ packed in one
// file, data/pictures.tar, which a phone fetches in one request instead of one a picture; the
// show's length (from MUSIC.json, which the native build's tuvoran-web-pictures writes) and
// the site's address in index.html; the hash of its style for the content security policy;
// and the service worker with every file and a cache named by their content. Run again on a
// site it finished, it brings all of that up to date with the files as they are now; --unpack
// puts the pictures back in data/ as files, to change them.
// Usage: node finish-site.mjs [--music MUSIC.json] SITE [URL]   (URL: where the site will be
//        node finish-site.mjs --unpack SITE                     served, for link previews)
import { createHash } from 'node:crypto';
import { readdir, readFile, rm, writeFile } from 'node:fs/promises';
import { dirname, join, relative, sep } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

const usage = 'usage: node finish-site.mjs [--music MUSIC.json] SITE [URL]\n' +
    '       node finish-site.mjs --unpack SITE';
let parsed;
try {
    parsed = parseArgs({
        options: { unpack: { type: 'boolean' }, music: { type: 'string' } },
        allowPositionals: true,
    });
} catch (error) {
    console.error(`${error.message}\n${usage}`);
    process.exit(2);
}
const unpacking = parsed.values.unpack === true;
const [site, givenUrl = ''] = parsed.positionals;
const siteUrl = givenUrl.replace(/[&"<>]/g, (c) => `&#${c.charCodeAt(0)};`);
if (!site || (unpacking && (parsed.positionals.length > 1 || parsed.values.music))) {
    console.error(usage);
    process.exit(2);
}
const pack = join(site, 'data', 'pictures.tar');
const tarBlock = 512;
const workerTemplate = join(dirname(fileURLToPath(import.meta.url)), 'page', 'sw.js');
const workerName = 'sw.js';

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

// A plain ustar archive, as tar writes it, without owners or times so that a build's pack
// is the same every time.
function tarOf(files) {
    const blocks = [];
    for (const { name, bytes } of files) {
        const header = Buffer.alloc(tarBlock);
        header.write(name, 0, 100, 'utf8');
        header.write('0000644\0', 100);
        header.write('0000000\0', 108);
        header.write('0000000\0', 116);
        header.write(`${bytes.length.toString(8).padStart(11, '0')}\0`, 124);
        header.write('00000000000\0', 136);
        header.write('        ', 148);
        header.write('0', 156);
        header.write('ustar\x0000', 257);
        const sum = header.reduce((total, byte) => total + byte, 0);
        header.write(`${sum.toString(8).padStart(6, '0')}\0 `, 148);
        blocks.push(header, bytes, Buffer.alloc((tarBlock - (bytes.length % tarBlock)) % tarBlock));
    }
    blocks.push(Buffer.alloc(2 * tarBlock));
    return Buffer.concat(blocks);
}

function filesOfTar(archive) {
    const files = [];
    for (let at = 0; at + tarBlock <= archive.length;) {
        const name = archive.toString('utf8', at, at + 100).replace(/\0.*$/s, '');
        if (!name) {
            break;
        }
        const size = parseInt(archive.toString('latin1', at + 124, at + 136), 8) || 0;
        files.push({ name, bytes: archive.subarray(at + tarBlock, at + tarBlock + size) });
        at += tarBlock + Math.ceil(size / tarBlock) * tarBlock;
    }
    return files;
}

const isPicture = (name) => !/\.mp3$/i.test(name) && name !== 'pictures.tar';

// The loose pictures of data/ go into the pack; without any, the pack stays as it is.
async function packPictures() {
    const names = (await readdir(join(site, 'data'))).filter(isPicture).sort();
    if (names.length === 0) {
        return;
    }
    const files = [];
    for (const name of names) {
        files.push({ name, bytes: await readFile(join(site, 'data', name)) });
    }
    await writeFile(pack, tarOf(files));
    await Promise.all(names.map((name) => rm(join(site, 'data', name))));
}

async function unpackPictures() {
    for (const { name, bytes } of filesOfTar(await readFile(pack))) {
        await writeFile(join(site, 'data', name.replace(/^.*\//, '')), bytes);
    }
    await rm(pack);
}

const sha256 = (bytes) => createHash('sha256').update(bytes).digest('base64');

async function finishPage() {
    const path = join(site, 'index.html');
    let page = await readFile(path, 'utf8');
    // Without MUSIC.json (the tests' changed copies), a finished page keeps the length it has.
    if (parsed.values.music) {
        const { lengthMs } = JSON.parse(await readFile(parsed.values.music, 'utf8'));
        if (!Number.isInteger(lengthMs) || lengthMs < 0) {
            throw new Error(`${parsed.values.music} gives no length of the music`);
        }
        const seconds = Math.floor(lengthMs / 1000);
        const length = `${Math.floor(seconds / 60)}:${String(seconds % 60).padStart(2, '0')}`;
        page = page.replaceAll('@TUVORAN_LENGTH@', length)
            .replaceAll('@TUVORAN_LENGTH_WORDS@', `${seconds} seconds`);
    }
    const urlTag = siteUrl ? `<meta property="og:url" content="${siteUrl}">\n` : '';
    page = page.replaceAll('@TUVORAN_SITE_URL@', siteUrl)
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

if (unpacking) {
    await unpackPictures();
} else {
    await packPictures();
    await finishPage();
    console.log(`${await writeWorker()}: ${site}`);
}
