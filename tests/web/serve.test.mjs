// The static server the site is served with: types, compression, and nothing outside its folder.
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import { mkdir, symlink, utimes, writeFile } from 'node:fs/promises';
import { request } from 'node:http';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { promisify } from 'node:util';
import { gunzipSync } from 'node:zlib';
import { serverScript, startServer } from './lib/server.mjs';
import { makeScratchDir, removeDir } from './lib/site.mjs';

const page = '<!doctype html><title>t</title>' + '<p>the show</p>'.repeat(200);
const script = 'console.log("tuvoran");\n'.repeat(300);
const wasm = Buffer.concat([Buffer.from([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0]), Buffer.alloc(4096)]);
const jpeg = Buffer.concat([Buffer.from([0xff, 0xd8, 0xff, 0xe0]), Buffer.alloc(2048, 7)]);

function get(url, path, { method = 'GET', headers = {} } = {}) {
    return new Promise((resolveGet, rejectGet) => {
        const req = request(url, { path, method, headers }, (response) => {
            const chunks = [];
            response.on('data', (chunk) => chunks.push(chunk));
            response.on('end', () =>
                resolveGet({ status: response.statusCode, headers: response.headers,
                    body: Buffer.concat(chunks) }));
        });
        req.on('error', rejectGet);
        req.end();
    });
}

const gzipped = { 'Accept-Encoding': 'gzip, deflate, br' };

describe('serve.mjs', () => {
    let outside;
    let root;
    let server;

    before(async () => {
        outside = await makeScratchDir('outside');
        root = join(outside, 'site');
        await mkdir(join(root, 'data'), { recursive: true });
        await writeFile(join(outside, 'secret.txt'), 'not for the web');
        await writeFile(join(root, 'index.html'), page);
        await writeFile(join(root, 'tuvoran.js'), script);
        await writeFile(join(root, 'tuvoran.wasm'), wasm);
        await writeFile(join(root, 'data', 'image.jpg'), jpeg);
        await writeFile(join(root, 'data', 'muzak.mp3'), jpeg);
        await symlink(join(outside, 'secret.txt'), join(root, 'data', 'link.txt'));
        server = await startServer(root);
    });

    after(async () => {
        await server?.close();
        await removeDir(outside);
    });

    test('prints the address of a free port first', async () => {
        assert.match(server.url, /^http:\/\/127\.0\.0\.1:\d+\/$/);
        const second = await startServer(root);
        try {
            assert.notEqual(second.url, server.url);
            assert.equal((await get(second.url, '/')).status, 200);
        } finally {
            await second.close();
        }
    });

    test('names each file of the site by its type', async () => {
        const expected = {
            '/': 'text/html',
            '/index.html': 'text/html',
            '/tuvoran.js': 'text/javascript',
            '/tuvoran.wasm': 'application/wasm',
            '/data/image.jpg': 'image/jpeg',
            '/data/muzak.mp3': 'audio/mpeg',
        };
        for (const [path, type] of Object.entries(expected)) {
            const response = await get(server.url, path);
            assert.equal(response.status, 200, path);
            assert.equal(response.headers['content-type'].split(';')[0], type, path);
        }
    });

    test('compresses text and WebAssembly for clients that take gzip, byte-exact', async () => {
        for (const [path, original] of [['/index.html', page], ['/tuvoran.js', script],
            ['/tuvoran.wasm', wasm]]) {
            const response = await get(server.url, path, { headers: gzipped });
            assert.equal(response.headers['content-encoding'], 'gzip', path);
            assert.equal(Number(response.headers['content-length']), response.body.length, path);
            assert.ok(response.body.length < Buffer.byteLength(original), path);
            assert.deepEqual(gunzipSync(response.body), Buffer.from(original), path);
            assert.match(response.headers.vary, /Accept-Encoding/i, path);
        }
    });

    test('sends files as they are when gzip is not accepted, or not worth it', async () => {
        for (const headers of [{}, { 'Accept-Encoding': 'identity' },
            { 'Accept-Encoding': 'gzip;q=0, br' }]) {
            const response = await get(server.url, '/tuvoran.js', { headers });
            assert.equal(response.headers['content-encoding'], undefined, JSON.stringify(headers));
            assert.equal(response.body.toString(), script);
        }
        const picture = await get(server.url, '/data/image.jpg', { headers: gzipped });
        assert.equal(picture.headers['content-encoding'], undefined);
        assert.deepEqual(picture.body, jpeg);
    });

    test('serves a file changed after it was first compressed as it is now', async () => {
        await get(server.url, '/tuvoran.js', { headers: gzipped });
        const changed = script + 'console.log("again");\n';
        const path = join(root, 'tuvoran.js');
        await writeFile(path, changed);
        const later = new Date(Date.now() + 5000);
        await utimes(path, later, later);
        const response = await get(server.url, '/tuvoran.js', { headers: gzipped });
        assert.equal(gunzipSync(response.body).toString(), changed);
        await writeFile(path, script);
    });

    test('ignores the query, as in index.html?at=3000&size=640x480', async () => {
        const response = await get(server.url, '/index.html?at=3000&size=640x480');
        assert.equal(response.status, 200);
        assert.equal(response.body.toString(), page);
        assert.equal((await get(server.url, '/?at=1')).status, 200);
    });

    test('answers HEAD with the headers alone', async () => {
        const response = await get(server.url, '/tuvoran.wasm', { method: 'HEAD' });
        assert.equal(response.status, 200);
        assert.equal(Number(response.headers['content-length']), wasm.length);
        assert.equal(response.body.length, 0);
    });

    test('serves nothing outside its folder, however the path is written', async () => {
        for (const path of ['/../secret.txt', '/%2e%2e/secret.txt', '/data/..%2f..%2fsecret.txt',
            '/data/%2e%2e/%2e%2e/secret.txt', '/..%5csecret.txt', '/data/link.txt',
            '/index.html%00.txt', '/%E0%A4%A', '/missing.js', '/data']) {
            const response = await get(server.url, path);
            assert.equal(response.status, 404, path);
            assert.doesNotMatch(response.body.toString(), /not for the web/, path);
        }
        assert.equal((await get(server.url, '/', { method: 'POST' })).status, 405);
    });
});

describe('serve.mjs arguments', () => {
    const run = promisify(execFile);

    test('refuses a port that is not a number, and a folder that is not there', async () => {
        await assert.rejects(run(process.execPath, [serverScript, '--port', 'eighty']),
            (error) => error.code === 2 && /--port/.test(error.stderr));
        await assert.rejects(run(process.execPath, [serverScript, '--port', '0',
            '/nonexistent/build-web']),
            (error) => error.code === 1 && /make web/.test(error.stderr));
    });

    test('refuses a port in use and says how to pick another', async () => {
        const dir = await makeScratchDir('busy');
        const first = await startServer(dir);
        try {
            const port = new URL(first.url).port;
            await assert.rejects(run(process.execPath, [serverScript, '--port', port, dir]),
                (error) => error.code === 1 && /in use/.test(error.stderr));
        } finally {
            await first.close();
            await removeDir(dir);
        }
    });
});
