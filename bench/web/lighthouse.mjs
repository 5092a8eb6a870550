#!/usr/bin/env node
// Lighthouse's judgement of the web site served by tools/web/serve.mjs, in Debian's Chromium:
// the categories and metrics of its mobile and desktop profiles, and the time to the start
// prompt with the bytes before it, on the mobile profile's network and CPU applied for real.
// Each goal is printed beside its figure, and the figures are written as JSON (goals.mjs).
// Usage: node bench/web/lighthouse.mjs [--runs N] [--json PATH] [SITE]
//        (default SITE build-web, 1 run)
import { loadavg } from 'node:os';
import { resolve } from 'node:path';
import lighthouse from 'lighthouse';
import { throttling } from 'lighthouse/core/config/constants.js';
import desktopConfig from 'lighthouse/core/config/desktop-config.js';
import { launchBrowser, waitForState } from '../../tests/web/lib/browser.mjs';
import { startServer } from '../../tests/web/lib/server.mjs';
import { atLeast, atMost, figure, jsonArgument, report } from './goals.mjs';

const { rest: args, path: json } = jsonArgument(process.argv.slice(2), 'lighthouse', false);
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
    const load = loadavg()[0];
    const goals = {
        performance: { mobile: atLeast(90), desktop: atLeast(98) },
        accessibility: { mobile: atLeast(100), desktop: atLeast(100) },
        'best-practices': { mobile: atLeast(100), desktop: atLeast(100) },
        seo: { mobile: atLeast(100), desktop: atLeast(100) },
    };
    const figures = [];
    for (const profile of ['mobile', 'desktop']) {
        const results = profiles[profile];
        for (const category of categories) {
            const score = of(results, (r) => r.scores[category]);
            figures.push(figure(`${category}, ${profile}`, score, '', `${score}`, goals[category][profile]));
        }
        for (const [id, name] of metrics) {
            const value = of(results, (r) => r.metrics[id]);
            const shown = id === 'cumulative-layout-shift' ? value?.toFixed(3) ?? '–' : ms(value);
            figures.push(figure(`${name}, ${profile}`, value ?? NaN, id === 'cumulative-layout-shift' ? '' : 'ms',
                shown));
        }
        const bytes = of(results, (r) => r.bytes) / 1e6;
        figures.push(figure(`bytes in all (Lighthouse's total byte weight), ${profile}`, bytes, 'MB',
            `${bytes.toFixed(2)} MB`, atMost(2.5)));
    }
    const promptMs = of(phone, (p) => p.promptMs);
    figures.push(figure('time to the prompt, the mobile profile\'s network and CPU applied', promptMs, 'ms',
        ms(promptMs), atMost(3000)));
    const before = of(phone, (p) => p.before) / 1e6;
    figures.push(figure('bytes before the prompt, the same', before, 'MB', `${before.toFixed(2)} MB`));
    const failed = [...new Set([...profiles.mobile, ...profiles.desktop].flatMap((r) => r.failed))];
    if (failed.length > 0) {
        console.log(`Audits failed: ${failed.join(', ')}`);
        console.log('');
    }
    report({
        title: `Lighthouse ${profiles.mobile[0].version} in Debian's Chromium, headless, median of ${runs}`,
        figures,
        quick: false,
        json,
        load,
    });
} finally {
    await server.close();
}
