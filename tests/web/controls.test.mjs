// The makers' controls on the page, in headless Chromium: a link to a moment, the keys, the
// progress line, a hidden page, and a WebGL context taken away and given back.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { openPage, pageState, useSiteAndBrowser, waitForState } from './lib/browser.mjs';
import { decodePng } from './lib/picture.mjs';

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// Where the show is in its music, as the progress line has it.
function position(page) {
    return page.evaluate(() => window.tuvoranPosition());
}

async function waitForPosition(page, check, what, timeout = 10_000) {
    const deadline = Date.now() + timeout;
    let seen;
    for (;;) {
        seen = await position(page);
        if (check(seen.ms, seen)) {
            return seen;
        }
        if (Date.now() > deadline) {
            assert.fail(`${what}: the show is at ${JSON.stringify(seen)}`);
        }
        await sleep(50);
    }
}

async function frames(page) {
    return page.evaluate(() => window.tuvoranFrames());
}

async function start(page, width, height) {
    await waitForState(page, 'ready');
    await page.mouse.click(width / 2, height / 2);
    await waitForState(page, 'running', 5000);
    await page.waitForFunction(() => window.tuvoranFrames() > 3, { timeout: 20_000, polling: 50 });
}

// Pixels of the canvas, as composited on screen, that are not black.
async function litPixels(page) {
    const shot = await page.screenshot({ encoding: 'binary', type: 'png' });
    const png = decodePng(Buffer.from(shot));
    let lit = 0;
    for (let i = 0; i < png.width * png.height; i++) {
        const [r, g, b] = png.data.subarray(i * 4, i * 4 + 3);
        lit += r + g + b > 60 ? 1 : 0;
    }
    return lit;
}

describe('the page\'s controls', () => {
    const site = useSiteAndBrowser();

    test('?t= starts the show at that moment, after the click', async () => {
        const page = await openPage(site.browser, `${site.server.url}?t=33000`, { width: 640, height: 480 });
        await waitForState(page, 'ready');
        assert.equal((await position(page)).ms, 0, 'the show ran before the click');
        await start(page, 640, 480);
        const at = await waitForPosition(page, (ms) => ms >= 33000, 'after the click');
        assert.ok(at.ms < 36000, `started at ${at.ms}`);
        assert.deepEqual(page.consoleErrors, []);
        await page.close();
    });

    test('Space pauses and resumes; Right, Left and Home move the show', async () => {
        const page = await openPage(site.browser, `${site.server.url}?t=20000`, { width: 640, height: 480 });
        await start(page, 640, 480);
        await page.keyboard.press('Space');
        const paused = await waitForPosition(page, (ms, seen) => seen.paused, 'paused');
        await sleep(600);
        assert.equal((await position(page)).ms, paused.ms, 'the music went on while paused');
        const shown = await frames(page);
        await sleep(300);
        assert.ok((await frames(page)) > shown, 'a paused show is no longer drawn');

        // Moved while paused, it stays paused, on the first frame at or after the moment.
        // The time of the first frame at or after ms, in whole milliseconds, at 60 fps.
        const frameOf = (ms) => Math.floor((Math.floor((ms * 60 + 999) / 1000) * 1000) / 60);
        await page.keyboard.press('ArrowRight');
        const right = await waitForPosition(page, (ms, seen) => seen.paused &&
            ms === frameOf(paused.ms + 5000), 'Right');
        await page.keyboard.press('ArrowLeft');
        await page.keyboard.press('ArrowLeft');
        await waitForPosition(page, (ms, seen) => seen.paused &&
            ms === frameOf(frameOf(right.ms - 5000) - 5000), 'Left twice');
        await page.keyboard.press('Space');
        await waitForPosition(page, (ms, seen) => !seen.paused && ms > paused.ms - 4800,
            'resumed');
        await page.keyboard.press('Home');
        await waitForPosition(page, (ms) => ms < 1000, 'Home');
        assert.equal(await pageState(page), 'running');
        assert.deepEqual(page.consoleErrors, []);
        await page.close();
    });

    test('the progress line shows while the mouse moves and seeks where it is clicked or dragged',
        async () => {
            const page = await openPage(site.browser, site.server.url, { width: 800, height: 600 });
            await start(page, 800, 600);
            const line = () => page.$eval('#timeline', (t) => (t.checkVisibility()
                ? t.getBoundingClientRect().toJSON() : null));
            await page.mouse.move(400, 200);
            await page.mouse.move(410, 210);
            const box = await line();
            assert.ok(box, 'no progress line while the mouse moves');
            assert.ok(box.bottom >= 599 && box.width >= 799, `line at ${JSON.stringify(box)}`);
            const { durationMs } = await position(page);
            const y = box.bottom - 3;

            await page.mouse.click(box.left + box.width / 2, y);
            await waitForPosition(page,
                (ms) => Math.abs(ms - durationMs / 2) < 1500, 'clicked halfway');
            await page.mouse.move(box.left + box.width / 4, y);
            await page.mouse.down();
            await page.mouse.move(box.left + box.width / 2, y, { steps: 5 });
            await page.mouse.move(box.left + box.width * 0.75, y, { steps: 5 });
            await page.mouse.up();
            await waitForPosition(page,
                (ms) => Math.abs(ms - durationMs * 0.75) < 1500, 'dragged to three quarters');
            assert.equal(await pageState(page), 'running', 'a click on the line ended the show');

            // Gone a while after the mouse stops, away from the line.
            await page.mouse.move(400, 100);
            await page.waitForFunction(
                () => !document.getElementById('timeline').checkVisibility(),
                { timeout: 6000, polling: 100 });
            await page.close();
        });

    test('a hidden page holds the music and the show, and goes on when shown', async () => {
        const page = await openPage(site.browser, site.server.url, { width: 640, height: 480 });
        await start(page, 640, 480);
        await waitForPosition(page, (ms) => ms > 300, 'playing');
        const setHidden = (hidden) => page.evaluate((h) => {
            Object.defineProperty(document, 'hidden', { configurable: true, get: () => h });
            Object.defineProperty(document, 'visibilityState',
                { configurable: true, get: () => (h ? 'hidden' : 'visible') });
            document.dispatchEvent(new Event('visibilitychange'));
        }, hidden);
        await setHidden(true);
        await page.waitForFunction(() => window.tuvoranAudioState() === 'suspended',
            { timeout: 5000, polling: 50 });
        await sleep(200);
        const audioTime = await page.evaluate(() => window.tuvoranAudioTime());
        const held = await position(page);
        await sleep(800);
        assert.equal(await page.evaluate(() => window.tuvoranAudioTime()), audioTime,
            'the audio went on while hidden');
        assert.ok((await position(page)).ms - held.ms <= 50, 'the show went on while hidden');

        await setHidden(false);
        await page.waitForFunction(() => window.tuvoranAudioState() === 'running',
            { timeout: 5000, polling: 50 });
        await waitForPosition(page, (ms) => ms > held.ms + 300, 'shown again');
        const after = await position(page);
        assert.ok(after.ms < held.ms + 2000, `jumped from ${held.ms} to ${after.ms}`);
        await page.close();
    });

    test('a WebGL context taken away and given back runs the show again where it was',
        async () => {
            const page = await openPage(site.browser, `${site.server.url}?t=33000`,
                { width: 640, height: 480 });
            await start(page, 640, 480);
            await waitForPosition(page, (ms) => ms > 33500, 'playing');
            await page.evaluate(() => {
                const context = document.getElementById('canvas').getContext('webgl');
                window.loseContext = context.getExtension('WEBGL_lose_context');
                window.loseContext.loseContext();
            });
            await waitForState(page, 'restoring', 10_000);
            const lostAt = await position(page);
            await sleep(500);
            await page.evaluate(() => window.loseContext.restoreContext());
            await waitForState(page, 'running', 10_000);
            await page.waitForFunction(() => window.tuvoranFrames() > 10,
                { timeout: 20_000, polling: 50 });
            const again = await waitForPosition(page, (ms) => ms >= lostAt.ms, 'running again');
            assert.ok(again.ms < lostAt.ms + 3000, `lost at ${lostAt.ms}, again at ${again.ms}`);
            assert.ok(await litPixels(page) > 1000, 'the canvas stayed blank');
            assert.deepEqual(page.consoleErrors, []);
            await page.close();
        });
});
