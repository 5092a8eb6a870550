// The web benchmarks' figures, each with its goal where it has one: printed as a table with the
// goal beside the figure, the goals met and missed summed up at the end, and written as JSON
// (by default to build-release/bench/NAME.json, or NAME-quick.json for a quick run).
import { mkdirSync, writeFileSync } from 'node:fs';
import { cpus, loadavg } from 'node:os';
import { dirname, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const withUnit = (bound, unit) => (unit ? `${bound} ${unit}` : `${bound}`);

export const atMost = (bound) => ({ met: (value) => value <= bound, text: (unit) => `≤ ${withUnit(bound, unit)}` });
export const atLeast = (bound) => ({ met: (value) => value >= bound, text: (unit) => `≥ ${withUnit(bound, unit)}` });

// A figure: its value as a number in unit, as the table shows it (shown), and its goal or none.
export function figure(name, value, unit, shown, goal = null) {
    return { name, value, unit, shown, goal };
}

// The arguments less --json PATH, and that path or the default one for name.
export function jsonArgument(args, name, quick) {
    const at = args.indexOf('--json');
    const rest = at >= 0 ? args.filter((_, i) => i !== at && i !== at + 1) : args;
    const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
    const path = at >= 0 ? resolve(args[at + 1])
        : resolve(root, 'build-release/bench', `${name}${quick ? '-quick' : ''}.json`);
    return { rest, path };
}

// title: what was measured, and how; load: the load average as the measuring began.
export function report({ title, figures, quick, json, load = loadavg()[0] }) {
    const judged = figures.filter((f) => f.goal);
    const missed = judged.filter((f) => !f.goal.met(f.value));
    console.log(`${title}${quick ? ' (quick run)' : ''} on ${cpus()[0].model.trim()}, ${cpus().length} cores, ` +
        `load average ${load.toFixed(1)}`);
    console.log('');
    console.log('| Figure | Value | Goal |');
    console.log('|---|---|---|');
    for (const f of figures) {
        const goal = f.goal ? `${f.goal.text(f.unit)}${missed.includes(f) ? ': **missed**' : ''}` : '';
        console.log(`| ${f.name} | ${f.shown} | ${goal} |`);
    }
    console.log('');
    console.log(`Goals${quick ? ' (a quick run\'s shortened figures, not to be judged)' : ''}: ` +
        `${judged.length - missed.length} met, ${missed.length} missed${missed.length > 0 ? ':' : ''}`);
    for (const f of missed) {
        console.log(`  ${f.name}: ${f.shown}, goal ${f.goal.text(f.unit)}`);
    }
    mkdirSync(dirname(json), { recursive: true });
    writeFileSync(json, `${JSON.stringify({
        machine: cpus()[0].model.trim(),
        cores: cpus().length,
        loadAverage: load,
        quick,
        figures: figures.map((f) => ({
            name: f.name,
            value: Number.isFinite(f.value) ? f.value : null,
            unit: f.unit,
            goal: f.goal ? f.goal.text(f.unit) : null,
            met: f.goal ? f.goal.met(f.value) : null,
        })),
        goals: { met: judged.length - missed.length, missed: missed.length },
    }, null, 2)}\n`);
    console.log(`Figures written to ${json}`);
}
