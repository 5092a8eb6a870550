// The site as people share and keep it, in headless Chromium: its landing, its link preview
// and icons, axe-core's checks in every state, the content security policy through a show,
// ?loop, the progress line as a slider, and the show offline and after a new build.
import assert from 'node:assert/strict';
import { cp, mkdir, readFile, rm, writeFile } from 'node:fs/promises';
import { join } from 'node:path';
import { describe, test } from 'node:test';
import axe from 'axe-core';
import { openPage, pageState, useSiteAndBrowser, waitForState } from './lib/browser.mjs';
import { startServer } from './lib/server.mjs';
import {
    copySite, finishSite, makeScratchDir, removeDir, shortenMusic, siteDir, unpackPictures,
} from './lib/site.mjs';

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

async function start(page) {
    await waitForState(page, 'ready');
    await page.click('#prompt');
    await waitForState(page, 'running', 10_000);
    await page.waitForFunction(() => window.tuvoranFrames() > 3, { timeout: 20_000, polling: 50 });
}

// axe-core's default rules, best practices included; its findings as "rule: element" lines.
async function axeViolations(page) {
    await page.evaluate(axe.source);
    const results = await page.evaluate(() => window.axe.run(document));
    return results.violations.flatMap((v) => v.nodes.map((n) => `${v.id}: ${n.target.join(' ')}`));
}

async function assertAccessible(page, state) {
    assert.equal(await pageState(page), state);
    assert.deepEqual(await axeViolations(page), [], `axe in state ${state}`);
}

// Every violation of the content security policy that the page sees, from before its scripts.
function recordViolations() {
    window.policyViolations = [];
    document.addEventListener('securitypolicyviolation', (event) => {
        window.policyViolations.push(`${event.violatedDirective} ${event.blockedURI}`);
    });
}

// A site of the same build in a scratch folder, its music a short tone.
async function shortSite(seconds) {
    const dir = await copySite();
    await shortenMusic(dir, seconds);
    await finishSite(dir);
    return dir;
}

describe('the landing', () => {
    const site = useSiteAndBrowser();

    test('shows a still of the show, the title, its length, its sound and keys, and a button', async () => {
        const page = await openPage(site.browser, site.server.url, { width: 1280, height: 800 });
        await waitForState(page, 'ready');
        const landing = await page.evaluate(() => ({
            title: document.querySelector('h1').textContent,
            text: document.getElementById('landing').innerText,
            still: document.getElementById('still').naturalWidth,
            prompt: document.getElementById('prompt').tagName,
            focused: document.activeElement.id,
        }));
        assert.equal(landing.title, 'Tuvoran');
        assert.match(landing.text, /1:06/);
        assert.match(landing.text, /sound/);
        assert.match(landing.text, /Space.*Esc/s);
        assert.ok(landing.still >= 640, `still ${landing.still} pixels wide`);
        assert.equal(landing.prompt, 'BUTTON');
        assert.equal(landing.focused, 'prompt', 'the button does not have the focus');
        await page.keyboard.press('Enter');
        await waitForState(page, 'running', 10_000);
        await page.close();
    });

    test('says "Tap to start" on a touch screen', async () => {
        const page = await site.browser.newPage();
        await page.setViewport({ width: 412, height: 823, isMobile: true, hasTouch: true, deviceScaleFactor: 2 });
        await page.goto(site.server.url, { waitUntil: 'load' });
        await waitForState(page, 'ready');
        assert.equal(await page.$eval('#prompt', (b) => b.textContent), 'Tap to start');
        await page.tap('#prompt');
        await waitForState(page, 'running', 10_000);
        await page.close();
    });

    test('has a link preview, icons and a manifest, all found relative to the page', async () => {
        const page = await openPage(site.browser, site.server.url);
        const found = await page.evaluate(async () => {
            const meta = (key) => document.querySelector(`meta[property="${key}"], meta[name="${key}"]`)?.content;
            const size = (url) => new Promise((done) => {
                const picture = new Image();
                picture.onload = () => done(`${picture.naturalWidth}x${picture.naturalHeight}`);
                picture.onerror = () => done('missing');
                picture.src = url;
            });
            const manifestUrl = new URL(document.querySelector('link[rel="manifest"]').href);
            const manifest = await (await fetch(manifestUrl)).json();
            const icons = {};
            for (const icon of manifest.icons) {
                icons[`${icon.purpose} ${icon.sizes}`] = await size(new URL(icon.src, manifestUrl));
            }
            return {
                description: meta('description'),
                card: await size(meta('og:image')),
                twitter: [meta('twitter:card'), await size(meta('twitter:image'))],
                favicon: (await fetch(document.querySelector('link[rel="icon"]').href)).ok,
                touch: await size(document.querySelector('link[rel="apple-touch-icon"]').href),
                manifest: [manifest.display, manifest.orientation, manifest.background_color, manifest.start_url],
                icons,
            };
        });
        assert.ok(found.description.length > 50, found.description);
        assert.equal(found.card, '1200x630');
        assert.deepEqual(found.twitter, ['summary_large_image', '1200x630']);
        assert.ok(found.favicon);
        assert.equal(found.touch, '180x180');
        assert.deepEqual(found.manifest, ['fullscreen', 'landscape', '#000000', './']);
        assert.deepEqual(found.icons,
            { 'any 192x192': '192x192', 'any 512x512': '512x512', 'maskable 512x512': '512x512' });
        await page.close();
    });
});

describe('the site from any folder', () => {
    const site = useSiteAndBrowser(async () => {
        const scratch = await makeScratchDir('folder');
        await mkdir(join(scratch, 'demos/tuvoran'), { recursive: true });
        await cp(siteDir, join(scratch, 'demos/tuvoran'), { recursive: true });
        return scratch;
    });

    test('plays from a folder of a host, with every file found there', async () => {
        const page = await openPage(site.browser, `${site.server.url}demos/tuvoran/`, { width: 640, height: 480 });
        const missing = [];
        page.on('requestfinished', (request) => {
            if (request.response()?.status() !== 200) {
                missing.push(request.url());
            }
        });
        await start(page);
        assert.deepEqual(missing, []);
        await page.close();
    });
});

describe('the page checked by axe-core', () => {
    const site = useSiteAndBrowser();

    test('loading, with the prompt, playing and paused', async () => {
        const page = await site.browser.newPage();
        await page.setViewport({ width: 800, height: 600 });
        // The program held back, so that the page stays loading while it is checked.
        let release;
        const held = new Promise((done) => {
            release = done;
        });
        await page.setRequestInterception(true);
        page.on('request', async (request) => {
            if (request.url().endsWith('/tuvoran.wasm')) {
                await held;
            }
            request.continue();
        });
        await page.goto(site.server.url, { waitUntil: 'domcontentloaded' });
        await sleep(500);
        await assertAccessible(page, 'loading');
        release();
        await waitForState(page, 'ready');
        await assertAccessible(page, 'ready');
        await start(page);
        await page.mouse.move(400, 590);
        await page.waitForSelector('#timeline:not([hidden])');
        await assertAccessible(page, 'running');
        await page.keyboard.press('Space');
        await page.waitForFunction(() => window.tuvoranPosition().paused, { timeout: 10_000 });
        await assertAccessible(page, 'running');
        await page.close();
    });

    test('after the show, and when it cannot start', async () => {
        const dir = await shortSite(2);
        const server = await startServer(dir);
        try {
            const page = await openPage(site.browser, server.url, { width: 800, height: 600 });
            await start(page);
            await waitForState(page, 'ended', 30_000);
            await assertAccessible(page, 'ended');
            await page.close();

            // A browser context of its own, which the first page's worker does not serve.
            await unpackPictures(dir);
            await rm(join(dir, 'data/image.jpg'));
            await finishSite(dir);
            const context = await site.browser.createBrowserContext();
            const broken = await context.newPage();
            await broken.setViewport({ width: 800, height: 600 });
            await broken.goto(server.url, { waitUntil: 'load' });
            await waitForState(broken, 'ready');
            await broken.click('#prompt');
            await waitForState(broken, 'failed');
            await assertAccessible(broken, 'failed');
            await context.close();
        } finally {
            await server.close();
            await removeDir(dir);
        }
    });
});

describe('the show\'s own pages', () => {
    const site = useSiteAndBrowser(() => shortSite(3));

    test('the content security policy refuses an injected script, and nothing of a show and its second showing', async () => {
        const page = await site.browser.newPage();
        await page.setViewport({ width: 640, height: 480 });
        await page.evaluateOnNewDocument(recordViolations);
        const reported = [];
        page.on('console', (message) => {
            if (/Content Security Policy/i.test(message.text())) {
                reported.push(message.text());
            }
        });
        await page.goto(site.server.url, { waitUntil: 'load' });
        // As a flaw that let another's text into the page would inject it.
        await page.evaluate(() => {
            const script = document.createElement('script');
            script.textContent = 'window.injectedScriptRan = true;';
            document.body.append(script);
        });
        await start(page);
        await page.keyboard.press('KeyF');
        await waitForState(page, 'ended', 30_000);
        await page.click('#again');
        await waitForState(page, 'running', 10_000);
        await waitForState(page, 'ended', 30_000);
        assert.equal(await page.evaluate(() => window.injectedScriptRan), undefined);
        assert.deepEqual(await page.evaluate(() => window.policyViolations), ['script-src-elem inline']);
        assert.equal(reported.length, 1, reported.join('\n'));
        assert.match(reported[0], /inline script/);
        await page.close();
    });

    test('?loop starts the show again from its start when the music ends', async () => {
        const page = await openPage(site.browser, `${site.server.url}?loop`, { width: 640, height: 480 });
        await start(page);
        await page.waitForFunction(() => window.tuvoranPosition().ms >= 2000, { timeout: 20_000, polling: 20 });
        await page.waitForFunction(() => window.tuvoranPosition().ms < 1000, { timeout: 20_000, polling: 20 });
        await page.waitForFunction(() => window.tuvoranPosition().ms >= 2000, { timeout: 20_000, polling: 20 });
        assert.equal(await pageState(page), 'running');
        assert.equal(await page.evaluate(() => window.tuvoranAudioState()), 'running');
        await page.keyboard.press('Escape');
        await waitForState(page, 'ended', 10_000);
        await page.close();
    });
});

describe('the progress line as a slider', () => {
    const site = useSiteAndBrowser();

    test('is reached by Tab, says where the show is, and its arrows move the show', async () => {
        const page = await openPage(site.browser, `${site.server.url}?t=30000`, { width: 800, height: 600 });
        await start(page);
        await page.keyboard.press('Space');
        await page.waitForFunction(() => window.tuvoranPosition().paused, { timeout: 10_000 });
        await page.keyboard.press('Tab');
        const focused = await page.evaluate(() => {
            const line = document.activeElement;
            return { id: line.id, role: line.getAttribute('role'), shown: line.checkVisibility(),
                ring: getComputedStyle(line).boxShadow };
        });
        assert.equal(focused.id, 'timeline');
        assert.equal(focused.role, 'slider');
        assert.ok(focused.shown, 'the focused line is hidden');
        assert.notEqual(focused.ring, 'none', 'no visible focus');
        const text = () => page.$eval('#timeline', (line) => line.getAttribute('aria-valuetext'));
        assert.match(await text(), /^0:30 of 1:06, paused$/);
        await page.keyboard.press('ArrowRight');
        await page.waitForFunction(() => window.tuvoranPosition().ms >= 35_000, { timeout: 10_000 });
        assert.match(await text(), /^0:35 of 1:06, paused$/);
        const now = await page.$eval('#timeline', (line) => Number(line.getAttribute('aria-valuenow')));
        assert.equal(now, 35);
        await sleep(3000);
        assert.ok(await page.$eval('#timeline', (line) => line.checkVisibility()),
            'the line went while it had the focus');
        await page.close();
    });
});

describe('the site kept for offline', () => {
    const site = useSiteAndBrowser(copySite);

    async function waitForWorker(page) {
        await page.waitForFunction(() => navigator.serviceWorker.controller !== null,
            { timeout: 60_000, polling: 100 });
        return page.evaluate(() => caches.keys());
    }

    test('plays with the network off once the page has been opened', async () => {
        const page = await openPage(site.browser, site.server.url, { width: 640, height: 480 });
        await waitForState(page, 'ready');
        assert.equal((await waitForWorker(page)).length, 1);
        await page.setOfflineMode(true);
        await page.reload({ waitUntil: 'load' });
        await start(page);
        await page.waitForFunction(() => window.tuvoranAudioState() === 'running', { timeout: 10_000 });
        await page.setOfflineMode(false);
        await page.close();
    });

    test('a new build replaces the kept one whole', async () => {
        const page = await openPage(site.browser, site.server.url, { width: 640, height: 480 });
        await waitForState(page, 'ready');
        const [oldCache] = await waitForWorker(page);
        const index = join(site.dir, 'index.html');
        await writeFile(index, (await readFile(index, 'utf8')).replace('<body', '<body data-build="2"'));
        const newCache = await finishSite(site.dir);
        assert.notEqual(newCache, oldCache);
        // The page comes from the kept build, sees the new one, and loads again from it.
        await page.reload({ waitUntil: 'load' });
        await page.waitForFunction(() => document.body?.dataset.build === '2', { timeout: 60_000, polling: 100 });
        await waitForState(page, 'ready');
        assert.deepEqual(await page.evaluate(() => caches.keys()), [newCache]);
        await start(page);
        await page.close();
    });
});
