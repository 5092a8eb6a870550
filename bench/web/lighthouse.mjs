#!/usr/bin/env node
// Lighthouse's judgement of the web site served by tools/web/serve.mjs, in Debian's Chromium:
// the categories and metrics of its mobile and desktop profiles, and the time to the start
// prompt with the bytes before it, on the mobile profile's network and CPU applied for real.
// Usage: node bench/web/lighthouse.mjs [--runs N] [SITE]   (default SITE build-web, 1 run)
import { loadavg } from 'node:os';
import { resolve } from 'node:path';
import lighthouse from 'lighthouse';
import { throttling } from 'lighthouse/core/config/constants.js';
import desktopConfig from 'lighthouse/core/config/desktop-config.js';
import { launchBrowser, waitForState } from '../../tests/web/lib/browser.mjs';
import { startServer } from '../../tests/web/lib/server.mjs';

const args = process.argv.slice(2);
const runsAt = args.indexOf('--runs');
const runs = runsAt >= 0 ? Math.max(1, Number(args[runsAt + 1]) || 1) : 1;
const site = resolve(args.find((arg, i) => !arg.startsWith('--') && args[i - 1] !== '--runs') ??
    'build-web');

const categories = ['performance', 'accessibility', 'best-practices', 'seo'];
const metrics = [
    ['first-contentful-paint', 'first contentful paint'],
    ['largest-contentful-paint', 'largest contentful paint'],
    ['total-blocking-time', 'total blocking time'],
    ['cumulative-layout-shift', 'cumulative layout shift'],
    ['speed-index', 'speed index'],
    ['interactive', 'time to interactive'],
];

async function audit(browser, url, config) {
    const port = Number(new URL(browser.wsEndpoint()).port);
    const { lhr } = await lighthouse(url, { port, output: 'json', logLevel: 'error' }, config);
    if (lhr.runtimeError) {
        throw new Error(`Lighthouse: ${lhr.runtimeError.message}`);
    }
    const failed = Object.values(lhr.audits)
        .filter((a) => a.score !== null && a.score < 1 && a.scoreDisplayMode === 'binary')
        .map((a) => a.id);
    return {
        version: lhr.lighthouseVersion,
        scores: Object.fromEntries(categories.map((c) => [c, Math.round(lhr.categories[c].score * 100)])),
        metrics: Object.fromEntries(metrics.map(([id]) => [id, lhr.audits[id]?.numericValue])),
        bytes: lhr.audits['total-byte-weight'].numericValue,
        failed,
    };
}

// The page opened as on a slow phone, throttled as Lighthouse's own "devtools" method does:
// the time from navigation to the prompt, and the bytes that came before it.
async function promptOnPhone(browser, url) {
    const phone = throttling.mobileSlow4G;
    const page = await browser.newPage();
    await page.setViewport({ width: 412, height: 823, deviceScaleFactor: 1.75, isMobile: true,
        hasTouch: true });
    await page.setCacheEnabled(false);
    const client = await page.createCDPSession();
    await client.send('Network.enable');
    await client.send('Network.emulateNetworkConditions', {
        offline: false,
        latency: phone.requestLatencyMs,
        downloadThroughput: (phone.downloadThroughputKbps * 1024) / 8,
        uploadThroughput: (phone.uploadThroughputKbps * 1024) / 8,
    });
    await client.send('Emulation.setCPUThrottlingRate', { rate: phone.cpuSlowdownMultiplier });
    const finished = [];
    let start = null;
    client.on('Network.requestWillBeSent', ({ timestamp }) => {
        start ??= timestamp;
    });
    client.on('Network.loadingFinished', ({ timestamp, encodedDataLength }) => {
        finished.push({ at: timestamp, bytes: encodedDataLength });
    });
    await page.evaluateOnNewDocument(() => {
        document.addEventListener('DOMContentLoaded', () => {
            new MutationObserver(() => {
                if (document.body.dataset.state === 'ready' && window.promptAt === undefined) {
                    window.promptAt = performance.now();
                }
            }).observe(document.body, { attributes: true });
        });
    });
    await page.goto(url, { waitUntil: 'domcontentloaded' });
    await waitForState(page, 'ready', 120_000);
    const promptMs = await page.evaluate(() => window.promptAt);
    const before = finished.filter((f) => (f.at - start) * 1000 <= promptMs)
        .reduce((sum, f) => sum + f.bytes, 0);
    await page.close();
    return { promptMs, before };
}

function median(values) {
    const sorted = [...values].sort((a, b) => a - b);
    return sorted[Math.floor(sorted.length / 2)];
}

const server = await startServer(site);
try {
    const profiles = { mobile: [], desktop: [] };
    const phone = [];
    for (let i = 0; i < runs; i++) {
        // A browser of its own for each, so that no run finds another's cache or worker.
        for (const [name, config] of [['mobile', undefined], ['desktop', desktopConfig]]) {
            const browser = await launchBrowser();
            try {
                profiles[name].push(await audit(browser, server.url, config));
            } finally {
                await browser.close();
            }
        }
        const browser = await launchBrowser();
        try {
            phone.push(await promptOnPhone(browser, server.url));
        } finally {
            await browser.close();
        }
    }

    const of = (list, pick) => median(list.map(pick));
    const ms = (value) => (value === undefined ? '–' : `${Math.round(value).toLocaleString('en')} ms`);
    console.log(`Lighthouse ${profiles.mobile[0].version} in Debian's Chromium, headless, median of ${runs} ` +
        `(load average ${loadavg()[0].toFixed(1)})`);
    console.log('');
    console.log('| Figure | Mobile | Desktop | Goal |');
    console.log('|---|---|---|---|');
    const goals = { performance: '≥ 90 mobile, ≥ 98 desktop', accessibility: '100',
        'best-practices': '100', seo: '100' };
    for (const category of categories) {
        console.log(`| ${category} | ${of(profiles.mobile, (r) => r.scores[category])} | ` +
            `${of(profiles.desktop, (r) => r.scores[category])} | ${goals[category]} |`);
    }
    for (const [id, name] of metrics) {
        const format = id === 'cumulative-layout-shift' ? (v) => v?.toFixed(3) ?? '–' : ms;
        console.log(`| ${name} | ${format(of(profiles.mobile, (r) => r.metrics[id]))} | ` +
            `${format(of(profiles.desktop, (r) => r.metrics[id]))} | |`);
    }
    console.log(`| bytes in all (Lighthouse's total byte weight) | ` +
        `${(of(profiles.mobile, (r) => r.bytes) / 1e6).toFixed(2)} MB | ` +
        `${(of(profiles.desktop, (r) => r.bytes) / 1e6).toFixed(2)} MB | ≤ 2.5 MB |`);
    console.log(`| time to the prompt, the mobile profile's network and CPU applied | ` +
        `${ms(of(phone, (p) => p.promptMs))} | | ≤ 3 s |`);
    console.log(`| bytes before the prompt | ${(of(phone, (p) => p.before) / 1e6).toFixed(2)} MB | | |`);
    const failed = [...new Set([...profiles.mobile, ...profiles.desktop].flatMap((r) => r.failed))];
    if (failed.length > 0) {
        console.log('');
        console.log(`Audits failed: ${failed.join(', ')}`);
    }
} finally {
    await server.close();
}
