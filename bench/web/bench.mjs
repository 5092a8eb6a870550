#!/usr/bin/env node
// The web site's figures in headless Chromium on software WebGL, served by tools/web/serve.mjs:
// bytes on the wire, opening to the prompt, click to the first frame, live frame times, and a
// seek to the last second.
// Each goal is printed beside its figure, and the figures are written as JSON (goals.mjs).
// Usage: node bench/web/bench.mjs [--quick] [--json PATH] [SITE]   (default SITE build-web)
import { loadavg } from 'node:os';
import { resolve } from 'node:path';
import { launchBrowser, waitForState } from '../../tests/web/lib/browser.mjs';
import { startServer } from '../../tests/web/lib/server.mjs';
import { atMost, figure, jsonArgument, report } from './goals.mjs';

const quick = process.argv.includes('--quick');
const { rest: args, path: json } = jsonArgument(process.argv.slice(2), 'bench-web', quick);
const site = resolve(args.find((arg) => !arg.startsWith('--')) ?? 'build-web');
const openings = quick ? 3 : 11;
const frameSeconds = quick ? 5 : 66;

// Notes when the page enters each state, on the page's own clock (0 = navigation start), and
// when the first frame of the show is presented after the click that started it.
function recordTimes() {
    window.stateTimes = {};
    const note = () => {
        const state = document.body.dataset.state;
        if (state && !(state in window.stateTimes)) {
            window.stateTimes[state] = performance.now();
        }
    };
    document.addEventListener('DOMContentLoaded', () => {
        note();
        new MutationObserver(note).observe(document.body, { attributes: true });
    });
    addEventListener('click', (event) => {
        window.clickTime ??= event.timeStamp;
        const watch = (now) => {
            if (window.tuvoranFrames?.() > 0) {
                window.firstFrameTime = now;
            } else {
                requestAnimationFrame(watch);
            }
        };
        requestAnimationFrame(watch);
    }, { capture: true });
}

function median(values) {
    const sorted = [...values].sort((a, b) => a - b);
    return sorted[Math.floor(sorted.length / 2)];
}

function percentile(values, p) {
    const sorted = [...values].sort((a, b) => a - b);
    return sorted[Math.min(sorted.length - 1, Math.ceil((p / 100) * sorted.length) - 1)];
}

// One first visit: an empty cache, everything counted as it came over the wire.
async function openOnce(browser, url) {
    const page = await browser.newPage();
    await page.setViewport({ width: 1024, height: 768 });
    await page.setCacheEnabled(false);
    const client = await page.createCDPSession();
    await client.send('Network.enable');
    const files = new Map();
    client.on('Network.responseReceived', ({ requestId, response }) => {
        files.set(requestId, { url: response.url, bytes: 0,
            gzip: /gzip/i.test(response.headers['content-encoding'] ?? response.headers['Content-Encoding'] ?? '') });
    });
    client.on('Network.loadingFinished', ({ requestId, encodedDataLength }) => {
        const file = files.get(requestId);
        if (file) {
            file.bytes = encodedDataLength;
        }
    });
    await page.evaluateOnNewDocument(recordTimes);
    await page.goto(url, { waitUntil: 'load' });
    await waitForState(page, 'ready', 60_000);
    // A person's pointer comes onto the page a while before the click, and the page readies
    // the show's context, audio and pictures when it does.
    await page.mouse.move(500, 380);
    await new Promise((done) => setTimeout(done, 1000));
    await page.mouse.click(512, 384);
    await waitForState(page, 'running', 10_000);
    await page.waitForFunction(() => window.firstFrameTime !== undefined, { timeout: 10_000 });
    // Let the show fetch whatever it fetches once it runs.
    await new Promise((done) => setTimeout(done, 1000));
    const times = await page.evaluate(() => ({
        prompt: window.stateTimes.ready,
        firstFrame: window.firstFrameTime - window.clickTime,
    }));
    await page.close();
    return { times, files: [...files.values()] };
}

// Frame times of the live show at 640x480, paced by the browser's animation frames as a
// person's browser paces it (unpaced, software WebGL starves the page for seconds at a time).
async function frameTimes(url) {
    const browser = await launchBrowser();
    try {
        const page = await browser.newPage();
        await page.setViewport({ width: 640, height: 480 });
        await page.goto(url, { waitUntil: 'load' });
        await waitForState(page, 'ready', 60_000);
        await page.mouse.click(320, 240);
        await waitForState(page, 'running', 10_000);
        await page.evaluate(() => {
            window.frameMarks = [];
            const mark = (now) => {
                window.frameMarks.push([now, window.tuvoranFrames()]);
                if (document.body.dataset.state === 'running') {
                    requestAnimationFrame(mark);
                }
            };
            requestAnimationFrame(mark);
        });
        await page.waitForFunction(() => document.body.dataset.state !== 'running',
            { timeout: frameSeconds * 1000, polling: 500 }).catch(() => {});
        const marks = await page.evaluate(() => window.frameMarks);
        // Animation frames may outrun the show's: a frame's time runs from the last change.
        const intervals = [];
        let last = marks[0];
        for (const mark of marks.slice(1)) {
            const frames = mark[1] - last[1];
            if (frames > 0) {
                intervals.push(...Array(frames).fill((mark[0] - last[0]) / frames));
                last = mark;
            }
        }
        return intervals;
    } finally {
        await browser.close();
    }
}

// A seek to the last second of the show, from the key to the first frame presented there:
// the show starts 5 s before it and is paused, then Right is pressed.
async function seekTimes(url, rounds) {
    const browser = await launchBrowser();
    const times = [];
    try {
        for (let i = 0; i < rounds; i++) {
            const page = await browser.newPage();
            await page.setViewport({ width: 640, height: 480 });
            await page.goto(`${url}?t=60000`, { waitUntil: 'load' });
            await waitForState(page, 'ready', 60_000);
            await page.mouse.click(320, 240);
            await waitForState(page, 'running', 10_000);
            await page.keyboard.press('Space');
            await page.waitForFunction(() => window.tuvoranPosition().paused,
                { timeout: 10_000, polling: 20 });
            await page.evaluate(() => {
                window.seekFrom = window.tuvoranPosition().ms;
                addEventListener('keydown', (event) => {
                    window.seekKeyTime = event.timeStamp;
                    // Called after the show's own callback of the frame, which drew it.
                    const watch = () => {
                        if (window.tuvoranPosition().ms >= window.seekFrom + 5000) {
                            window.seekFrameTime = performance.now();
                        } else {
                            requestAnimationFrame(watch);
                        }
                    };
                    requestAnimationFrame(watch);
                }, { capture: true, once: true });
            });
            await page.keyboard.press('ArrowRight');
            await page.waitForFunction(() => window.seekFrameTime !== undefined,
                { timeout: 30_000, polling: 20 });
            times.push(await page.evaluate(() => window.seekFrameTime - window.seekKeyTime));
            await page.close();
        }
    } finally {
        await browser.close();
    }
    return times;
}

const server = await startServer(site);
const load = loadavg()[0];
try {
    const browser = await launchBrowser();
    const runs = [];
    try {
        for (let i = 0; i < openings; i++) {
            runs.push(await openOnce(browser, server.url));
        }
    } finally {
        await browser.close();
    }
    const intervals = await frameTimes(server.url);
    const seeks = await seekTimes(server.url, quick ? 1 : 11);

    const files = runs[0].files.filter((file) => !file.url.startsWith('data:'));
    const total = files.reduce((sum, file) => sum + file.bytes, 0);
    const prompt = runs.map((run) => run.times.prompt);
    const firstFrame = runs.map((run) => run.times.firstFrame);
    const ms = (value) => `${value.toFixed(0)} ms`;

    console.log('Files transferred, largest first:');
    for (const file of [...files].sort((a, b) => b.bytes - a.bytes)) {
        console.log(`  ${String(file.bytes).padStart(9)}  ${file.gzip ? 'gzip' : '    '}  ` +
            `${new URL(file.url).pathname}`);
    }
    console.log('');
    report({
        title: 'Web site in headless Chromium',
        quick,
        json,
        load,
        figures: [
            figure('bytes transferred for the whole page (gzip where it pays)', total / 1e6, 'MB',
                `${(total / 1e6).toFixed(2)} MB (${total.toLocaleString('en')} bytes, ${files.length} files)`,
                atMost(2.5)),
            figure(`opening the page to the start prompt, median of ${openings} (slowest)`, median(prompt), 'ms',
                `${ms(median(prompt))} (${ms(Math.max(...prompt))})`, atMost(1000)),
            figure(`the click to the first frame, median of ${openings} (slowest)`, median(firstFrame), 'ms',
                `${ms(median(firstFrame))} (${ms(Math.max(...firstFrame))})`, atMost(300)),
            figure(`a seek to the last second (Right at 60 s, paused), the key to its frame, median of ` +
                `${seeks.length} (slowest)`, median(seeks), 'ms', `${ms(median(seeks))} (${ms(Math.max(...seeks))})`,
            atMost(1000)),
            figure(`frame time at 640x480, software WebGL, ${intervals.length} frames: median`, median(intervals),
                'ms', `${median(intervals).toFixed(1)} ms`),
            figure(`frame time at 640x480, software WebGL: 99th percentile`, percentile(intervals, 99), 'ms',
                `${percentile(intervals, 99).toFixed(1)} ms`),
        ],
    });
} finally {
    await server.close();
}
