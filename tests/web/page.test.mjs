// The page as a person meets it, in headless Chromium: loading, the prompt, the show, its keys,
// its end, and what it says when it cannot run.
import assert from 'node:assert/strict';
import { rm, writeFile } from 'node:fs/promises';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import {
    collectConsoleErrors, launchBrowser, openPage, pageState, useSiteAndBrowser, waitForState,
} from './lib/browser.mjs';
import { decodePng } from './lib/picture.mjs';
import { startServer } from './lib/server.mjs';
import {
    copySite, finishSite, removeDir, shortenMusic, siteDir, unpackPictures,
} from './lib/site.mjs';

// Records every state the page passes through and the progress line's texts while loading,
// from before the page's own scripts run.
function recordStates() {
    window.seenStates = [];
    window.seenProgress = [];
    const observe = () => {
        const note = () => {
            const state = document.body.dataset.state;
            if (state && window.seenStates.at(-1) !== state) {
                window.seenStates.push(state);
            }
            const progress = document.getElementById('progress');
            const text = progress?.textContent.trim();
            if (text && state === 'loading' && progress.checkVisibility() &&
                window.seenProgress.at(-1) !== text) {
                window.seenProgress.push(text);
            }
        };
        note();
        new MutationObserver(note).observe(document.body,
            { attributes: true, childList: true, subtree: true, characterData: true });
    };
    document.addEventListener('DOMContentLoaded', observe);
}

async function visibleText(page, selector) {
    return page.$eval(selector, (element) =>
        element.checkVisibility() ? element.textContent.trim() : null);
}

async function frames(page) {
    return page.evaluate(() => window.tuvoranFrames());
}

async function waitForFrames(page, count, timeout = 20_000) {
    await page.waitForFunction((n) => window.tuvoranFrames() >= n, { timeout, polling: 50 }, count);
}

async function waitForAudio(page, state, timeout = 10_000) {
    await page.waitForFunction((s) => window.tuvoranAudioState() === s,
        { timeout, polling: 50 }, state);
}

// Pixels of the canvas's top-left corner, as composited on screen, that are near white.
async function brightPixelsTopLeft(page) {
    const box = await page.$eval('#canvas', (canvas) => {
        const r = canvas.getBoundingClientRect();
        return { x: r.left, y: r.top };
    });
    const shot = await page.screenshot({ clip: { x: box.x, y: box.y, width: 160, height: 32 },
        encoding: 'binary', type: 'png' });
    const png = decodePng(Buffer.from(shot));
    let bright = 0;
    for (let i = 0; i < png.width * png.height; i++) {
        const [r, g, b] = png.data.subarray(i * 4, i * 4 + 3);
        if (r > 200 && g > 200 && b > 200) {
            bright++;
        }
    }
    return bright;
}

// The median of what the picture shows less what is heard, in ms, over frames of a running
// show, each read once the frame has been drawn.
async function pictureOverSound(page, frameCount = 31) {
    const leads = await page.evaluate((count) => new Promise((done) => {
        const found = [];
        const next = () => requestAnimationFrame(() => setTimeout(() => {
            found.push(window.tuvoranPosition().ms - window.tuvoranHeardMs());
            if (found.length < count) {
                next();
            } else {
                done(found.sort((a, b) => a - b));
            }
        }, 0));
        next();
    }), frameCount);
    return leads[Math.floor(leads.length / 2)];
}

describe('the page', () => {
    const site = useSiteAndBrowser();

    test('shows its progress, then the prompt, and plays nothing before the click', async () => {
        const page = await site.browser.newPage();
        await page.setViewport({ width: 800, height: 600 });
        await page.evaluateOnNewDocument(recordStates);
        await page.goto(site.server.url, { waitUntil: 'load' });
        await waitForState(page, 'ready');
        assert.equal(await visibleText(page, '#prompt'), 'Click to start');
        const seen = await page.evaluate(() => window.seenStates);
        assert.deepEqual(seen, ['loading', 'ready']);
        const progress = await page.evaluate(() => window.seenProgress);
        assert.ok(progress.length > 0, 'no progress line was shown while loading');
        assert.equal(await visibleText(page, '#progress'), null, 'progress line still shown');
        assert.equal(await frames(page), 0, 'the show ran before the click');
        assert.equal(await visibleText(page, '#message'), null);
        await page.close();
    });

    test('a click starts the show and its sound; Escape ends it and offers it again', async () => {
        const page = await openPage(site.browser, site.server.url, { width: 800, height: 600 });
        await waitForState(page, 'ready');
        await page.mouse.click(400, 300);
        await waitForState(page, 'running', 5000);
        assert.equal(await visibleText(page, '#prompt'), null, 'prompt still shown');
        await waitForAudio(page, 'running');
        await waitForFrames(page, 10);

        await page.keyboard.press('Escape');
        await waitForState(page, 'ended', 5000);
        assert.equal(await visibleText(page, '#again'), 'Watch again');
        const shown = await frames(page);
        await new Promise((done) => setTimeout(done, 500));
        assert.equal(await frames(page), shown, 'frames went on after the end');
        assert.deepEqual(page.consoleErrors, []);
        await page.close();
    });

    test('any key starts the show too', async () => {
        const page = await openPage(site.browser, site.server.url, { width: 640, height: 480 });
        await waitForState(page, 'ready');
        await page.keyboard.press('Space');
        await waitForState(page, 'running', 5000);
        await waitForAudio(page, 'running');
        await waitForFrames(page, 5);
        await page.close();
    });

    test('the show waits for its sound to run, offers the start again when the browser ' +
         'withholds it, and asks a phone to play through its silent switch', async () => {
        const page = await site.browser.newPage();
        await page.setViewport({ width: 640, height: 480 });
        await page.evaluateOnNewDocument(() => {
            Object.defineProperty(navigator, 'audioSession',
                { value: { type: 'auto' }, configurable: true });
            // The browser grants the sound only once the test lets it.
            window.soundHeld = true;
            window.AudioContext = class Withheld extends AudioContext {
                constructor(options) {
                    super(options);
                    this.suspend();
                }

                get state() {
                    return window.soundHeld ? 'suspended' : super.state;
                }

                resume() {
                    return window.soundHeld ? Promise.resolve() : super.resume();
                }
            };
        });
        await page.goto(site.server.url, { waitUntil: 'load' });
        await waitForState(page, 'ready');
        await page.mouse.click(320, 240);
        await waitForState(page, 'starting', 5000);
        assert.equal(await page.evaluate(() => navigator.audioSession.type), 'playback');
        await new Promise((done) => setTimeout(done, 1000));
        assert.equal(await pageState(page), 'starting');
        assert.equal(await frames(page), 0, 'the show ran before its sound');
        await waitForState(page, 'ready', 10_000);
        assert.match(await visibleText(page, '#message') ?? '', /not started the sound/);
        assert.equal(await frames(page), 0);

        await page.evaluate(() => {
            window.soundHeld = false;
        });
        await page.mouse.click(320, 240);
        await waitForState(page, 'running', 5000);
        assert.equal(await page.evaluate(() => window.tuvoranAudioState()), 'running');
        await waitForFrames(page, 10);
        assert.equal(await visibleText(page, '#message'), null);
        await page.close();
    });

    test('?latency=MS holds the picture back by MS, and a value out of range is refused ' +
         'with the range', async (t) => {
        const lead = {};
        for (const latency of [0, 300]) {
            const page = await openPage(site.browser, `${site.server.url}?latency=${latency}`,
                { width: 640, height: 480 });
            await waitForState(page, 'ready');
            await page.mouse.click(320, 240);
            await waitForState(page, 'running', 5000);
            await waitForFrames(page, 40); // past the start, where the picture waits
            lead[latency] = await pictureOverSound(page);
            await page.close();
        }
        t.diagnostic(`picture minus sound: ${lead[0].toFixed(1)} ms, ` +
            `with ?latency=300 ${lead[300].toFixed(1)} ms`);
        assert.ok(Math.abs(lead[0] - lead[300] - 300) <= 40, JSON.stringify(lead));
        assert.ok(lead[0] >= 0 && lead[0] <= 100, `the picture leads by ${lead[0]} ms`);

        for (const latency of ['1001', '-1001', 'ten']) {
            const page = await openPage(site.browser, `${site.server.url}?latency=${latency}`,
                { width: 640, height: 480 });
            assert.equal(await waitForState(page, ['failed', 'ready']), 'failed', latency);
            assert.equal(await visibleText(page, '#message'),
                `This address asks for latency=${latency}, which the show does not take: ` +
                'give milliseconds from -1000 to 1000.');
            await page.close();
        }
    });

    test('the click asks for full screen, and the show goes on when it is refused', async () => {
        const page = await site.browser.newPage();
        await page.setViewport({ width: 640, height: 480 });
        await page.evaluateOnNewDocument(() => {
            window.fullscreenAsked = 0;
            Element.prototype.requestFullscreen = function refuse() {
                window.fullscreenAsked++;
                return Promise.reject(new TypeError('Permissions check failed'));
            };
        });
        await page.goto(site.server.url, { waitUntil: 'load' });
        await waitForState(page, 'ready');
        await page.mouse.click(320, 240);
        await waitForState(page, 'running', 5000);
        await waitForFrames(page, (await frames(page)) + 10);
        assert.equal(await page.evaluate(() => window.fullscreenAsked), 1);
        assert.equal(await pageState(page), 'running');
        await page.close();
    });

    test('F shows and hides the frame rate in the top-left corner', async (t) => {
        const page = await openPage(site.browser, site.server.url, { width: 640, height: 480 });
        await waitForState(page, 'ready');
        await page.keyboard.press('Enter');
        await waitForState(page, 'running', 5000);
        await waitForFrames(page, 3);
        const before = await brightPixelsTopLeft(page);
        await page.keyboard.press('KeyF');
        await waitForFrames(page, (await frames(page)) + 3);
        const shown = await brightPixelsTopLeft(page);
        await page.keyboard.press('KeyF');
        await waitForFrames(page, (await frames(page)) + 3);
        const hidden = await brightPixelsTopLeft(page);
        t.diagnostic(`bright pixels in the corner: ${before}, with F ${shown}, F again ${hidden}`);
        assert.ok(shown >= before + 20, `frame rate not shown: ${before} -> ${shown} bright pixels`);
        assert.ok(hidden <= shown - 20, `frame rate not hidden: ${shown} -> ${hidden} bright pixels`);
        assert.equal(await pageState(page), 'running', 'F must not end the show');
        await page.close();
    });

    test('a window resized during the show still holds the canvas at 4:3, centred', async () => {
        const page = await openPage(site.browser, site.server.url, { width: 800, height: 600 });
        await waitForState(page, 'ready');
        await page.mouse.click(400, 300);
        await waitForState(page, 'running', 5000);
        await page.setViewport({ width: 1000, height: 500 });
        await waitForFrames(page, (await frames(page)) + 3);
        const box = await page.$eval('#canvas', (c) => c.getBoundingClientRect().toJSON());
        assert.ok(Math.abs(box.width - 666.7) <= 1 && Math.abs(box.height - 500) <= 1,
            `canvas ${box.width}x${box.height}`);
        assert.ok(Math.abs(box.left - 166.7) <= 1 && Math.abs(box.top) <= 1,
            `canvas at ${box.left},${box.top}`);
        assert.equal(await pageState(page), 'running');
        await page.close();
    });

    test('the canvas keeps 4:3 inside any window, sharp at the screen\'s pixel density', async () => {
        const cases = [
            { width: 800, height: 600, scale: 1, shown: [800, 600] },
            { width: 1200, height: 600, scale: 1, shown: [800, 600] },
            { width: 600, height: 900, scale: 1, shown: [600, 450] },
            { width: 640, height: 480, scale: 2, shown: [640, 480] },
        ];
        for (const { width, height, scale, shown } of cases) {
            const page = await openPage(site.browser, site.server.url, { width, height, scale });
            await waitForState(page, 'ready');
            await page.mouse.click(width / 2, height / 2);
            await waitForState(page, 'running', 5000);
            await waitForFrames(page, 3);
            const canvas = await page.$eval('#canvas', (c) => {
                const r = c.getBoundingClientRect();
                return { left: r.left, top: r.top, width: r.width, height: r.height,
                    buffer: [c.width, c.height], screen: [screen.width, screen.height] };
            });
            const where = `${width}x${height}@${scale}`;
            assert.ok(Math.abs(canvas.width - shown[0]) <= 1, `${where}: width ${canvas.width}`);
            assert.ok(Math.abs(canvas.height - shown[1]) <= 1, `${where}: height ${canvas.height}`);
            assert.ok(Math.abs(canvas.left - (width - canvas.width) / 2) <= 1, `${where}: not centred`);
            assert.ok(Math.abs(canvas.top - (height - canvas.height) / 2) <= 1, `${where}: not centred`);
            // Never stretched up, so sharp; at most what full screen would show, which the
            // click asked for.
            const [bufferWidth, bufferHeight] = canvas.buffer;
            const fullWidth = Math.min(canvas.screen[0], (canvas.screen[1] * 4) / 3);
            const largest = Math.max(shown[0], fullWidth) * scale;
            const buffer = `${where}: drawing buffer ${canvas.buffer}, screen ${canvas.screen}`;
            assert.ok(bufferWidth >= shown[0] * scale - 2 && bufferWidth <= largest + 2, buffer);
            assert.ok(Math.abs(bufferHeight - (bufferWidth * 3) / 4) <= 2, buffer);
            await page.close();
        }
    });
});

describe('the page when the music ends', () => {
    let browser;
    let server;
    let site;

    before(async () => {
        site = await copySite();
        await shortenMusic(site, 2);
        server = await startServer(site);
        browser = await launchBrowser();
    });

    after(async () => {
        await browser?.close();
        await server?.close();
        await removeDir(site);
    });

    test('ends with the music, and "Watch again" runs the show afresh, to its end again', async () => {
        const page = await openPage(browser, server.url, { width: 640, height: 480 });
        await waitForState(page, 'ready');
        await page.mouse.click(320, 240);
        await waitForState(page, 'running', 5000);
        await waitForAudio(page, 'running');
        await waitForState(page, 'ended', 30_000);
        assert.equal(await visibleText(page, '#again'), 'Watch again');
        const firstRun = await frames(page);
        assert.ok(firstRun > 0);

        await page.click('#again');
        await waitForState(page, 'running', 5000);
        assert.equal(await visibleText(page, '#again'), null);
        assert.ok((await frames(page)) < firstRun, 'the frame count did not start afresh');
        await waitForAudio(page, 'running');
        await waitForFrames(page, 3);
        await waitForState(page, 'ended', 30_000);
        assert.deepEqual(page.consoleErrors, []);
        await page.close();
    });
});

describe('the page when it cannot run', () => {
    async function failureOf(site, { webgl = true, beforeLoad = null } = {}) {
        const server = await startServer(site);
        const browser = await launchBrowser({ webgl });
        try {
            const page = await browser.newPage();
            await page.setViewport({ width: 640, height: 480 });
            const errors = collectConsoleErrors(page);
            if (beforeLoad) {
                await page.evaluateOnNewDocument(beforeLoad);
            }
            await page.goto(server.url, { waitUntil: 'load' });
            // The pictures load once the show starts, which may be after the click.
            let state = await waitForState(page, ['ready', 'failed', 'unsupported']);
            if (state === 'ready') {
                await page.mouse.click(320, 240);
                state = await waitForState(page, ['failed', 'unsupported']);
            }
            return { state, message: await visibleText(page, '#message'), errors };
        } finally {
            await browser.close();
            await server.close();
        }
    }

    async function withSpoiltSite(spoil, check) {
        const site = await copySite();
        try {
            await unpackPictures(site);
            await spoil(site);
            await finishSite(site);
            await check(site);
        } finally {
            await removeDir(site);
        }
    }

    test('a missing picture is named on the page and in the console', async () => {
        await withSpoiltSite((site) => rm(join(site, 'data', 'image.jpg')), async (site) => {
            const { state, message, errors } = await failureOf(site);
            assert.equal(state, 'failed');
            assert.equal(message, 'Can not load file : data\\image.jpg');
            assert.ok(errors.some((e) => e.includes('Can not load file : data\\image.jpg')),
                `console errors: ${JSON.stringify(errors)}`);
        });
    });

    test('missing music is named on the page', async () => {
        await withSpoiltSite((site) => rm(join(site, 'data', 'muzak.mp3')), async (site) => {
            const { state, message } = await failureOf(site);
            assert.equal(state, 'failed');
            assert.equal(message, 'File not found');
        });
    });

    test('damaged files get the program\'s own texts, as on the desktop', async () => {
        const cases = [
            ['image.jpg', Buffer.from('not a picture at all'), 'Can not load file : data\\image.jpg'],
            ['Ovrin.jpg', Buffer.alloc(0), 'Can not load file : data\\Ovrin.jpg'],
            ['muzak.mp3', Buffer.from('not music either'.repeat(64)), 'Unknown file format'],
        ];
        for (const [name, bytes, text] of cases) {
            await withSpoiltSite((site) => writeFile(join(site, 'data', name), bytes),
                async (site) => {
                    const { state, message } = await failureOf(site);
                    assert.equal(state, 'failed', name);
                    assert.equal(message, text, name);
                });
        }
    });

    test('a damaged mask leaves the show to go on without it', async () => {
        const spoil = (site) => writeFile(join(site, 'data', 'Ovrina.jpg'), 'not a mask');
        await withSpoiltSite(spoil, async (site) => {
            const server = await startServer(site);
            const browser = await launchBrowser();
            try {
                const page = await openPage(browser, server.url, { width: 640, height: 480 });
                await waitForState(page, 'ready');
                await page.mouse.click(320, 240);
                await waitForState(page, 'running', 5000);
                await waitForFrames(page, 20);
                assert.equal(await pageState(page), 'running');
                assert.equal(await visibleText(page, '#message'), null);
            } finally {
                await browser.close();
                await server.close();
            }
        });
    });

    test('a browser without WebGL is told so in a sentence, not a blank page', async () => {
        const { state, message } = await failureOf(siteDir, { webgl: false });
        assert.equal(state, 'unsupported');
        assert.match(message ?? '', /WebGL/);
    });

    test('a browser without Web Audio is told so in a sentence', async () => {
        const noWebAudio = () => {
            delete window.AudioContext;
            delete window.webkitAudioContext;
        };
        const { state, message } = await failureOf(siteDir, { beforeLoad: noWebAudio });
        assert.equal(state, 'unsupported');
        assert.match(message ?? '', /Web Audio/);
    });
});
