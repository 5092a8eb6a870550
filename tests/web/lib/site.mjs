// Where the built site, the capture program and the repository are, and scratch copies of the site.
import { execFile } from 'node:child_process';
import { existsSync } from 'node:fs';
import { copyFile, cp, mkdtemp, readdir, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { promisify } from 'node:util';

export const execFileAsync = promisify(execFile);

export const repositoryRoot = resolve(dirname(fileURLToPath(import.meta.url)), '../../..');

export const siteDir = resolve(process.env.TUVORAN_WEB_SITE || join(repositoryRoot, 'build-web'));

export const captureProgram = resolve(
    process.env.TUVORAN_CAPTURE || join(repositoryRoot, 'build/tuvoran-capture'),
);

export function requireSite() {
    if (!existsSync(join(siteDir, 'index.html'))) {
        throw new Error(`${siteDir}/index.html is missing: build the site with make web`);
    }
}

export async function makeScratchDir(prefix) {
    return mkdtemp(join(tmpdir(), `tuvoran-${prefix}-`));
}

export async function removeDir(dir) {
    await rm(dir, { recursive: true, force: true });
}

// A copy of the site to spoil or change, removed again by the caller.
export async function copySite() {
    requireSite();
    const dir = await makeScratchDir('site');
    await cp(siteDir, dir, { recursive: true });
    return dir;
}

const finishScript = join(repositoryRoot, 'platform/web/finish-site.mjs');

// Brings a changed copy of the site up to date, as the build does (its pictures' pack, its
// worker's list); the cache name of the new build is returned.
export async function finishSite(dir) {
    const { stdout } = await execFileAsync(process.execPath, [finishScript, dir]);
    return stdout.split(':')[0];
}

// Puts the site's pictures, those of the repository's data/, in a copy's data/ as files, to
// change them; finishSite packs them again in place of the package.
export async function unpackPictures(dir) {
    const source = join(repositoryRoot, 'data');
    const pictures = (await readdir(source)).filter((name) => !name.endsWith('.mp3'));
    await Promise.all(pictures.map((name) => copyFile(join(source, name), join(dir, 'data', name))));
}

// Replaces the music with a few seconds of tone, so that the show ends by itself soon.
export async function shortenMusic(dir, seconds) {
    await execFileAsync('ffmpeg', [
        '-nostdin', '-loglevel', 'error', '-y',
        '-f', 'lavfi', '-i', `sine=frequency=440:sample_rate=44100:duration=${seconds}`,
        '-ac', '2', '-c:a', 'libmp3lame', '-b:a', '128k',
        join(dir, 'data', 'muzak.mp3'),
    ]);
}
