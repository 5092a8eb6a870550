#!/usr/bin/env node
// Finishes the static site once its files are in place: the pictures found in data/ packed
// by emscripten's file packager in pictures.data, which a phone fetches in one request
// instead of one a picture, with its loader, pictures.js; the show's length (from MUSIC.json,
// which the native build's tuvoran-web-pictures writes) and the site's address in
// index.html; the hash of its style for the content security policy; and the service worker
// with every file and a cache named by their content. Run again on a site it finished, it
// brings all of that up to date with the files as they are now: pictures put in data/ replace
// the package.
// Usage: node finish-site.mjs [--music MUSIC.json] SITE [URL]   (URL: where the site will be
//                                                               served, for link previews)
import { execFile } from 'node:child_process';
import { createHash } from 'node:crypto';
import { readdir, readFile, rm, writeFile } from 'node:fs/promises';
import { dirname, join, relative, sep } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs, promisify } from 'node:util';

const run = promisify(execFile);
const usage = 'usage: node finish-site.mjs [--music MUSIC.json] SITE [URL]';
let parsed;
try {
    parsed = parseArgs({ options: { music: { type: 'string' } }, allowPositionals: true });
} catch (error) {
    console.error(`${error.message}\n${usage}`);
    process.exit(2);
}
const [site, givenUrl = ''] = parsed.positionals;
const siteUrl = givenUrl.replace(/[&"<>]/g, (c) => `&#${c.charCodeAt(0)};`);
if (!site || parsed.positionals.length > 2) {
    console.error(usage);
    process.exit(2);
}
const packName = 'pictures.data';
const loaderName = 'pictures.js';
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

const isPicture = (name) => !/\.mp3$/i.test(name);

// The package's loader names a random id, which only its IndexedDB cache reads (not used
// here); the package's own hash takes its place, so that a build makes the same files every
// time.
async function fixPackageId() {
    const id = createHash('sha256').update(await readFile(join(site, packName))).digest('hex');
    const uuid = [[0, 8], [8, 12], [12, 16], [16, 20], [20, 32]].map(([from, to]) => id.slice(from, to));
    const loader = await readFile(join(site, loaderName), 'utf8');
    const fixed = loader.replace(/"package_uuid": "[^"]*"/, `"package_uuid": "${uuid.join('-')}"`);
    if (fixed === loader) {
        throw new Error(`${loaderName}: no package id where the packager writes it`);
    }
    await writeFile(join(site, loaderName), fixed);
}

// The loose pictures of data/ go into the package, in the order of their names; without any,
// the package stays as it is.
async function packPictures() {
    const names = (await readdir(join(site, 'data'))).filter(isPicture).sort();
    if (names.length === 0) {
        return;
    }
    const { stdout: root } = await run('em-config', ['EMSCRIPTEN_ROOT']);
    await run('python3', [join(root.trim(), 'tools', 'file_packager.py'), packName,
        '--preload', ...names.map((name) => `data/${name}@/data/${name}`),
        `--js-output=${loaderName}`, '--no-node'], { cwd: site });
    await fixPackageId();
    await Promise.all(names.map((name) => rm(join(site, 'data', name))));
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

await packPictures();
await finishPage();
console.log(`${await writeWorker()}: ${site}`);
