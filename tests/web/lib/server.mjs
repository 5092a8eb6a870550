// Runs tools/web/serve.mjs on a free port for the length of a test.
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { join } from 'node:path';
import { createInterface } from 'node:readline';
import { repositoryRoot } from './site.mjs';

export const serverScript = join(repositoryRoot, 'tools/web/serve.mjs');

export async function startServer(dir) {
    const child = spawn(process.execPath, [serverScript, '--port', '0', dir], {
        stdio: ['ignore', 'pipe', 'inherit'],
    });
    const lines = createInterface({ input: child.stdout });
    const exited = once(child, 'exit').then(([code]) => {
        throw new Error(`serve.mjs exited with ${code} before printing its address`);
    });
    const [firstLine] = await Promise.race([once(lines, 'line'), exited]);
    exited.catch(() => {});
    return {
        url: firstLine.trim(),
        async close() {
            if (child.exitCode === null) {
                child.kill('SIGTERM');
                await once(child, 'exit');
            }
        },
    };
}
