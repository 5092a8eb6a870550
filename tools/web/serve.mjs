#!/usr/bin/env node
// A static file server for the web build, with nothing but Node itself.
// Usage: node tools/web/serve.mjs [--port N] [DIR]   (default port 8000, DIR build-web)
// Port 0 picks a free port. The first line on stdout is the address it serves.
import { createServer } from 'node:http';
import { readFile, realpath, stat } from 'node:fs/promises';
import { extname, join, resolve, sep } from 'node:path';
import { promisify } from 'node:util';
import { gzip } from 'node:zlib';

const gzipAsync = promisify(gzip);

// Type, and whether gzip pays off: the pictures and the music are compressed already.
const contentTypes = {
    '.html': ['text/html; charset=utf-8', true],
    '.js': ['text/javascript; charset=utf-8', true],
    '.mjs': ['text/javascript; charset=utf-8', true],
    '.css': ['text/css; charset=utf-8', true],
    '.json': ['application/json', true],
    '.map': ['application/json', true],
    '.txt': ['text/plain; charset=utf-8', true],
    '.svg': ['image/svg+xml', true],
    '.wasm': ['application/wasm', true],
    '.data': ['application/octet-stream', true],
    '.wav': ['audio/wav', true],
    '.ico': ['image/x-icon', true],
    '.bmp': ['image/bmp', true],
    '.jpg': ['image/jpeg', false],
    '.jpeg': ['image/jpeg', false],
    '.png': ['image/png', false],
    '.gif': ['image/gif', false],
    '.webp': ['image/webp', false],
    '.mp3': ['audio/mpeg', false],
    '.ogg': ['audio/ogg', false],
    '.tar': ['application/x-tar', false],
    '.woff2': ['font/woff2', false],
};
const fallbackType = ['application/octet-stream', false];

function usage() {
    return 'usage: node tools/web/serve.mjs [--port N] [DIR]';
}

function parseArguments(args) {
    const options = { port: 8000, root: 'build-web' };
    let rootGiven = false;
    for (let i = 0; i < args.length; i++) {
        const arg = args[i];
        if (arg === '--port') {
            const value = args[++i];
            if (value === undefined || !/^\d{1,5}$/.test(value) || Number(value) > 65535) {
                throw new Error(`--port needs a number from 0 to 65535\n${usage()}`);
            }
            options.port = Number(value);
        } else if (arg === '--help' || arg === '-h') {
            options.help = true;
        } else if (arg.startsWith('-') || rootGiven) {
            throw new Error(`unexpected argument '${arg}'\n${usage()}`);
        } else {
            options.root = arg;
            rootGiven = true;
        }
    }
    return options;
}

function acceptsGzip(request) {
    const accepted = String(request.headers['accept-encoding'] || '');
    return accepted.split(',').some((part) => {
        const [coding, ...params] = part.trim().toLowerCase().split(';');
        const refused = params.some((p) => /^\s*q\s*=\s*0(\.0*)?\s*$/.test(p));
        return (coding === 'gzip' || coding === '*') && !refused;
    });
}

// The file under root that a URL path names, or null when it leads outside root or is malformed.
async function resolveFile(root, urlPath) {
    let decoded;
    try {
        decoded = decodeURIComponent(urlPath);
    } catch {
        return null;
    }
    if (decoded.includes('\0') || decoded.includes('\\')) {
        return null;
    }
    let path = resolve(join(root, decoded));
    if (path !== root && !path.startsWith(root + sep)) {
        return null;
    }
    try {
        if ((await stat(path)).isDirectory()) {
            path = join(path, 'index.html');
        }
        // A link inside the site may not lead out of it.
        const real = await realpath(path);
        if (!real.startsWith(root + sep)) {
            return null;
        }
        const info = await stat(real);
        return info.isFile() ? { path: real, info } : null;
    } catch {
        return null;
    }
}

// Compressed copies are kept until the file changes, so a page load costs one gzip per file.
const gzipCache = new Map();

async function compressed(file, body) {
    const key = `${file.path}:${file.info.mtimeMs}:${file.info.size}`;
    let entry = gzipCache.get(file.path);
    if (!entry || entry.key !== key) {
        entry = { key, body: await gzipAsync(body, { level: 9 }) };
        gzipCache.set(file.path, entry);
    }
    return entry.body;
}

function sendText(response, status, text) {
    response.writeHead(status, {
        'Content-Type': 'text/plain; charset=utf-8',
        'Content-Length': Buffer.byteLength(text),
    });
    response.end(text);
}

async function handle(root, request, response) {
    if (request.method !== 'GET' && request.method !== 'HEAD') {
        response.setHeader('Allow', 'GET, HEAD');
        sendText(response, 405, 'Method not allowed\n');
        return;
    }
    const urlPath = String(request.url || '/').split(/[?#]/)[0];
    const file = urlPath.startsWith('/') ? await resolveFile(root, urlPath) : null;
    if (!file) {
        sendText(response, 404, 'Not found\n');
        return;
    }
    const [type, compressible] = contentTypes[extname(file.path).toLowerCase()] || fallbackType;
    let body = await readFile(file.path);
    const headers = { 'Content-Type': type, 'Cache-Control': 'no-cache' };
    if (compressible) {
        headers['Vary'] = 'Accept-Encoding';
        if (acceptsGzip(request)) {
            body = await compressed(file, body);
            headers['Content-Encoding'] = 'gzip';
        }
    }
    headers['Content-Length'] = body.length;
    response.writeHead(200, headers);
    response.end(request.method === 'HEAD' ? undefined : body);
}

async function startServer(rootDir, port, host = '127.0.0.1') {
    const root = await realpath(resolve(rootDir));
    if (!(await stat(root)).isDirectory()) {
        throw new Error(`${rootDir} is not a folder`);
    }
    const server = createServer((request, response) => {
        handle(root, request, response).catch((error) => {
            console.error(`serve.mjs: ${request.url}: ${error.message}`);
            if (!response.headersSent) {
                sendText(response, 500, 'Internal server error\n');
            } else {
                response.destroy();
            }
        });
    });
    await new Promise((resolveListen, rejectListen) => {
        server.once('error', rejectListen);
        server.listen(port, host, resolveListen);
    });
    return server;
}

async function main() {
    let options;
    try {
        options = parseArguments(process.argv.slice(2));
    } catch (error) {
        console.error(error.message);
        process.exit(2);
    }
    if (options.help) {
        console.log(usage());
        return;
    }
    let server;
    try {
        server = await startServer(options.root, options.port);
    } catch (error) {
        const reason =
            error.code === 'ENOENT'
                ? `${options.root} does not exist (make web builds it)`
                : error.code === 'EADDRINUSE'
                  ? `port ${options.port} is in use (--port 0 picks a free one)`
                  : error.message;
        console.error(`serve.mjs: ${reason}`);
        process.exit(1);
    }
    console.log(`http://127.0.0.1:${server.address().port}/`);
    const stop = () => {
        server.close(() => process.exit(0));
        server.closeAllConnections();
    };
    process.on('SIGINT', stop);
    process.on('SIGTERM', stop);
}

await main();
