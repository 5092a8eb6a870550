// Comparing two frames the way a viewer would: per 8x8 block, as seen on the page's black.
import { readFileSync } from 'node:fs';
import { PNG } from 'pngjs';

export const blockSize = 8;

export function decodePng(bytes) {
    const png = PNG.sync.read(bytes);
    return { width: png.width, height: png.height, data: png.data };
}

export function readPng(path) {
    return decodePng(readFileSync(path));
}

export function decodeDataUrl(url) {
    const prefix = 'data:image/png;base64,';
    if (!url.startsWith(prefix)) {
        throw new Error(`not a PNG data URL: ${url.slice(0, 40)}`);
    }
    return decodePng(Buffer.from(url.slice(prefix.length), 'base64'));
}

// RGB of pixel i composited over black.
function channel(picture, i, c) {
    return (picture.data[i * 4 + c] * picture.data[i * 4 + 3]) / 255;
}

// Mean absolute difference of R, G and B in each block, in levels of 255: the worst block
// (with where it is) and the mean over all blocks.
export function compareBlocks(a, b) {
    if (a.width !== b.width || a.height !== b.height) {
        throw new Error(`sizes differ: ${a.width}x${a.height} and ${b.width}x${b.height}`);
    }
    let worst = { value: -1, x: 0, y: 0 };
    let total = 0;
    let blocks = 0;
    for (let by = 0; by < a.height; by += blockSize) {
        for (let bx = 0; bx < a.width; bx += blockSize) {
            let sum = 0;
            let count = 0;
            for (let y = by; y < Math.min(by + blockSize, a.height); y++) {
                for (let x = bx; x < Math.min(bx + blockSize, a.width); x++) {
                    const i = y * a.width + x;
                    for (let c = 0; c < 3; c++) {
                        sum += Math.abs(channel(a, i, c) - channel(b, i, c));
                        count++;
                    }
                }
            }
            const value = sum / count;
            total += value;
            blocks++;
            if (value > worst.value) {
                worst = { value, x: bx, y: by };
            }
        }
    }
    return { worst, mean: total / blocks, blocks };
}

// Mean level of R, G and B over the picture, to tell a drawn frame from an empty one.
export function meanLevel(picture) {
    let sum = 0;
    const pixels = picture.width * picture.height;
    for (let i = 0; i < pixels; i++) {
        sum += channel(picture, i, 0) + channel(picture, i, 1) + channel(picture, i, 2);
    }
    return sum / (pixels * 3);
}
