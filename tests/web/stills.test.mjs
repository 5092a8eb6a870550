// Stills from the page's virtual clock against the capture program's frames at the same music
// times and size: the page must draw the same show, within JPEG decoder and rasteriser noise.
import assert from 'node:assert/strict';
import { existsSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { launchBrowser, openPage, waitForState } from './lib/browser.mjs';
import { compareBlocks, decodeDataUrl, meanLevel, readPng } from './lib/picture.mjs';
import { startServer } from './lib/server.mjs';
import {
    captureProgram, execFileAsync, makeScratchDir, removeDir, repositoryRoot, requireSite, siteDir,
} from './lib/site.mjs';

// Per 8x8 block, the mean absolute difference of R, G and B, in levels of 255.
const worstBlockAllowed = 8;

const stills = [
    { at: 3000, size: null, what: 'the logo over the cube field' },
    { at: 12000, size: '640x480', what: 'the light rays' },
    { at: 20000, size: '640x480', what: 'the credits on their band' },
    { at: 27000, size: '640x480', what: 'the lens grid' },
    { at: 33000, size: '640x480', what: 'the grid and the orbiting particles' },
    { at: 50000, size: '640x480', what: 'the closing title' },
];
const defaultSize = '1024x768';
// The frame after the rays' still: 12000 ms is frame 720, and 12001 ms brings frame 721.
const frameAfterRays = { at: 12001, size: '640x480' };

function framesUpTo(ms) {
    let k = 0;
    while (Math.floor((k * 1000) / 60) < ms) {
        k++;
    }
    return k + 1;
}

async function capture(dir, size, times) {
    await execFileAsync(captureProgram, ['--png', dir, '--at', times.join(','), '--size', size,
        '--quiet'], { cwd: repositoryRoot, maxBuffer: 1 << 20 });
}

async function pageStill(browser, url, { at, size }) {
    const query = size ? `?at=${at}&size=${size}` : `?at=${at}`;
    // A window of another shape than the still, which must not change it.
    const page = await openPage(browser, `${url}index.html${query}`, { width: 900, height: 500 });
    try {
        await waitForState(page, 'done', 400_000);
        const result = await page.evaluate(() => ({
            png: document.getElementById('canvas').toDataURL('image/png'),
            frames: window.tuvoranFrames(),
        }));
        return { picture: decodeDataUrl(result.png), frames: result.frames,
            errors: page.consoleErrors };
    } finally {
        await page.close();
    }
}

describe('stills from index.html?at=', () => {
    let work;
    let server;
    let browser;
    const captured = new Map();
    const drawn = new Map();

    before(async () => {
        requireSite();
        assert.ok(existsSync(captureProgram), `${captureProgram} is missing: make build`);
        work = await makeScratchDir('stills');
        server = await startServer(siteDir);
        browser = await launchBrowser();
        const bySize = new Map();
        for (const still of [...stills, frameAfterRays]) {
            const size = still.size ?? defaultSize;
            bySize.set(size, [...(bySize.get(size) ?? []), still.at]);
        }
        // The capture and the page's stills are made side by side: both take a while.
        const captures = [...bySize].map(async ([size, times]) => {
            const dir = join(work, size);
            await capture(dir, size, times);
            for (const at of times) {
                captured.set(`${at}@${size}`, readPng(join(dir, `at-${at}.png`)));
            }
        });
        const pages = stills.map(async (still) => {
            drawn.set(still.at, await pageStill(browser, server.url, still));
        });
        await Promise.all([...captures, ...pages]);
    });

    after(async () => {
        await browser?.close();
        await server?.close();
        if (work) {
            await removeDir(work);
        }
    });

    for (const still of stills) {
        const size = still.size ?? defaultSize;
        test(`${still.at} ms, ${size}: ${still.what}`, (t) => {
            const expected = captured.get(`${still.at}@${size}`);
            const { picture, frames, errors } = drawn.get(still.at);
            const [width, height] = size.split('x').map(Number);
            assert.equal(picture.width, width);
            assert.equal(picture.height, height);
            assert.equal(frames, framesUpTo(still.at), 'frames drawn on the virtual clock');
            assert.ok(meanLevel(expected) > 2, 'the captured frame is nearly black');
            const { worst, mean } = compareBlocks(picture, expected);
            t.diagnostic(`${still.at} ms ${size}: worst block ${worst.value.toFixed(2)} at ` +
                `(${worst.x}, ${worst.y}), mean ${mean.toFixed(2)} of 255`);
            assert.ok(worst.value <= worstBlockAllowed,
                `block at (${worst.x}, ${worst.y}) is off by ${worst.value.toFixed(1)} of 255`);
            assert.deepEqual(errors, []);
        });
    }

    test('the comparison catches a still one frame off', () => {
        const { worst } = compareBlocks(captured.get('12000@640x480'),
            captured.get(`${frameAfterRays.at}@${frameAfterRays.size}`));
        assert.ok(worst.value > 2 * worstBlockAllowed, `worst block only ${worst.value}`);
    });
});
