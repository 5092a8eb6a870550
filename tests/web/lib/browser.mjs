// Debian's Chromium, headless, with software WebGL and a profile of its own for each launch.
import { after, before } from 'node:test';
import puppeteer from 'puppeteer-core';
import { startServer } from './server.mjs';
import { makeScratchDir, removeDir, requireSite, siteDir } from './site.mjs';

export const chromiumPath = process.env.TUVORAN_CHROMIUM || '/usr/bin/chromium';

export async function launchBrowser({ webgl = true, unpaced = false } = {}) {
    const profile = await makeScratchDir('chromium');
    const args = [
        '--no-sandbox',
        '--headless=new',
        '--use-angle=swiftshader',
        '--enable-unsafe-swiftshader',
        '--no-first-run',
        '--disable-background-networking',
        '--disable-component-update',
        '--disable-sync',
        '--disable-background-timer-throttling',
        '--disable-renderer-backgrounding',
        '--disable-backgrounding-occluded-windows',
        // Sound starts only after a gesture, as in a browser people use.
        '--autoplay-policy=user-gesture-required',
    ];
    if (unpaced) {
        // Animation frames as fast as they are drawn, not at the display's rate.
        args.push('--disable-gpu-vsync', '--disable-frame-rate-limit');
    }
    if (!webgl) {
        args.push('--disable-webgl', '--disable-3d-apis');
    }
    const browser = await puppeteer.launch({
        executablePath: chromiumPath,
        headless: true,
        userDataDir: profile,
        args,
        ignoreDefaultArgs: ['--mute-audio'],
        protocolTimeout: 600_000,
    });
    const close = browser.close.bind(browser);
    browser.close = async () => {
        await close();
        await removeDir(profile);
    };
    return browser;
}

// The page's console.error texts, as they come.
export function collectConsoleErrors(page) {
    const errors = [];
    page.on('console', (message) => {
        // A site without an icon is no fault of the page.
        const favicon = message.location()?.url?.endsWith('/favicon.ico');
        if (message.type() === 'error' && !favicon) {
            errors.push(message.text());
        }
    });
    return errors;
}

export async function openPage(browser, url, { width = 1024, height = 768, scale = 1 } = {}) {
    const page = await browser.newPage();
    await page.setViewport({ width, height, deviceScaleFactor: scale });
    page.consoleErrors = collectConsoleErrors(page);
    await page.goto(url, { waitUntil: 'load' });
    return page;
}

export function pageState(page) {
    return page.evaluate(() => document.body.dataset.state);
}

// Waits until the page's state is one of the given ones, and returns it.
export async function waitForState(page, states, timeout = 30_000) {
    const wanted = Array.isArray(states) ? states : [states];
    try {
        await page.waitForFunction((list) => list.includes(document.body?.dataset.state), {
            timeout,
            polling: 50,
        }, wanted);
    } catch (error) {
        const state = await pageState(page).catch(() => 'unknown');
        const message = await page.evaluate(() => document.getElementById('message')?.textContent)
            .catch(() => '');
        throw new Error(`page state stayed '${state}' (message '${message}'), ` +
            `waited ${timeout} ms for ${wanted.join(' or ')}`);
    }
    return pageState(page);
}

// The built site served and a browser launched before the tests of the calling describe
// block, both closed after them; the returned object holds them as server and browser, and the
// folder served as dir. makeSite, when given, makes the folder to serve, removed after.
export function useSiteAndBrowser(makeSite) {
    const held = {};
    before(async () => {
        requireSite();
        held.dir = makeSite ? await makeSite() : siteDir;
        held.server = await startServer(held.dir);
        held.browser = await launchBrowser();
    });
    after(async () => {
        await held.browser?.close();
        await held.server?.close();
        if (makeSite) {
            await removeDir(held.dir);
        }
    });
    return held;
}
