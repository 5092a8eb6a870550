#!/usr/bin/env node
// Plays the web site's show in Chromium, in a window on the X display of DISPLAY, its sound
// going to the PulseAudio server of PULSE_SERVER, as bench-sync.sh records it.
//   node --experimental-websocket bench/sync/page.mjs SITE_DIR SECONDS [--loop]
// Chromium is driven through its DevTools protocol with nothing but Node: the page is opened,
// started with a real click once it offers the start, and closed after SECONDS of show.
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { mkdtemp, readFile, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { createInterface } from 'node:readline';
import { fileURLToPath } from 'node:url';

const [site, secondsText, loopFlag] = process.argv.slice(2);
const seconds = Number(secondsText);
if (!site || !(seconds > 0)) {
    console.error('usage: page.mjs SITE_DIR SECONDS [--loop]');
    process.exit(2);
}
const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

async function serve() {
    const server = spawn(process.execPath, [join(root, 'tools/web/serve.mjs'), '--port', '0', site],
        { stdio: ['ignore', 'pipe', 'inherit'] });
    const [line] = await once(createInterface({ input: server.stdout }), 'line');
    return { server, address: line.trim().match(/https?:\/\/\S+/)[0] };
}

async function devToolsPort(profile) {
    for (let tries = 0; tries < 300; ++tries) {
        try {
            return Number((await readFile(join(profile, 'DevToolsActivePort'), 'utf8')).split('\n')[0]);
        } catch {
            await sleep(100);
        }
    }
    throw new Error('Chromium did not open its DevTools port');
}

function connect(url) {
    const socket = new WebSocket(url);
    let next = 0;
    const waiting = new Map();
    socket.addEventListener('message', (event) => {
        const message = JSON.parse(event.data);
        const answer = waiting.get(message.id);
        if (answer) {
            waiting.delete(message.id);
            message.error ? answer.reject(new Error(message.error.message)) : answer.resolve(message.result);
        }
    });
    const send = (method, params = {}) => new Promise((resolve, reject) => {
        const id = ++next;
        waiting.set(id, { resolve, reject });
        socket.send(JSON.stringify({ id, method, params }));
    });
    return new Promise((resolve, reject) => {
        socket.addEventListener('open', () => resolve({ send, close: () => socket.close() }));
        socket.addEventListener('error', () => reject(new Error('cannot reach Chromium')));
    });
}

async function waitForState(page, wanted, ms) {
    const until = Date.now() + ms;
    let state = '';
    while (Date.now() < until) {
        const { result } = await page.send('Runtime.evaluate',
            { expression: 'document.body ? document.body.dataset.state || "" : ""' });
        state = result.value;
        if (wanted.includes(state)) {
            return state;
        }
        await sleep(100);
    }
    throw new Error(`the page stayed "${state}", not ${wanted.join(' or ')}`);
}

const { server, address } = await serve();
const profile = await mkdtemp(join(tmpdir(), 'tuvoran-sync-chromium.'));
const chromium = spawn('chromium', [
    `--user-data-dir=${profile}`, '--no-first-run', '--no-default-browser-check', '--no-sandbox',
    '--kiosk', '--window-position=0,0', '--window-size=640,480', '--remote-debugging-port=0',
    // WebGL in software, as the web tests have it.
    '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--disable-backgrounding-occluded-windows',
    '--disable-background-timer-throttling', '--disable-renderer-backgrounding', 'about:blank',
], { stdio: 'inherit' });
let code = 0;
try {
    const port = await devToolsPort(profile);
    const targets = await (await fetch(`http://127.0.0.1:${port}/json/list`)).json();
    const page = await connect(targets.find((target) => target.type === 'page').webSocketDebuggerUrl);
    await page.send('Page.navigate', { url: `${address}${loopFlag === '--loop' ? '?loop' : ''}` });
    await waitForState(page, ['ready'], 60000);
    for (const type of ['mousePressed', 'mouseReleased']) {
        await page.send('Input.dispatchMouseEvent', { type, x: 320, y: 240, button: 'left', clickCount: 1 });
    }
    await waitForState(page, ['running'], 10000);
    const until = Date.now() + seconds * 1000;
    while (Date.now() < until && (await waitForState(page, ['running', 'ended'], 10000)) === 'running') {
        await sleep(500);
    }
    await page.send('Browser.close').catch(() => {});
    page.close();
} catch (error) {
    console.error(`page.mjs: ${error.message}`);
    code = 1;
} finally {
    server.kill();
    if (chromium.exitCode === null && chromium.signalCode === null) {
        chromium.kill();
        await once(chromium, 'exit');
    }
    await rm(profile, { recursive: true, force: true });
}
process.exit(code);
