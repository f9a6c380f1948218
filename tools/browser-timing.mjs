#!/usr/bin/env node
// Measures the generated search page in headless Chromium.
//
// The default, the large-listing form (above 10,000 files: the listing held as
// data, only the rows in view drawn), on the benchmark's wide trees of
// 100,000, 300,000 and 1,000,000 files (tools/BenchTree.cpp, seed 7, made once
// in /tmp/findlet-bench and reused): time to the first drawn rows, time until
// every row is searchable, key release to the next drawn frame for three keys,
// one scroll step to the next drawn frame, the renderer's peak memory, and the
// page's size against the table form of the same tree.
//
//   node tools/browser-timing.mjs [--rows 100000,300000,1000000] [--repeats 5]
//                                 [--presses 10] [--dir /tmp/findlet-bench]
//                                 [--seed 7] [--out FILE]
//
// --form table: the table form (one row element per file) on generated trees
// of 10,000 and 100,000 rows: page load, a key that hides every row and
// Backspace that shows them again, and one traced Backspace per size.
//
//   node tools/browser-timing.mjs --form table [--rows 10000,100000] [--repeats 5]
//
// Needs the built binary (FINDLET_BINARY, default build/default/findlet),
// Chromium and tests/browser/node_modules (tools/browser-setup.sh). Prints a
// Markdown report and writes the raw numbers as JSON (default
// build/default/browser-timing-large.json, or browser-timing.json for the
// table form).
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { execFileSync } from 'node:child_process';
import { parseArgs } from 'node:util';
import { chromiumPath, missingPiece, repoRoot } from './browser-timing/chromium.mjs';
import { measureLarge } from './browser-timing/large.mjs';
import { measureTable } from './browser-timing/table.mjs';
import { largeReport, report } from './browser-timing/report.mjs';

const { values: options } = parseArgs({
  options: {
    form: { type: 'string', default: 'large' },
    rows: { type: 'string' },
    repeats: { type: 'string', default: '5' },
    presses: { type: 'string', default: '10' },
    dir: { type: 'string', default: '/tmp/findlet-bench' },
    seed: { type: 'string', default: '7' },
    out: { type: 'string' },
  },
});
if (options.form !== 'large' && options.form !== 'table') {
  console.error(`browser-timing: --form is large or table, not ${options.form}`);
  process.exit(2);
}
const large = options.form === 'large';
const sizes = (options.rows ?? (large ? '100000,300000,1000000' : '10000,100000')).split(',').map(Number);
const repeats = Number(options.repeats);
const presses = Number(options.presses);
const seed = Number(options.seed);
if (![...sizes, repeats, presses].every((n) => Number.isInteger(n) && n > 0) || !Number.isInteger(seed)) {
  console.error('browser-timing: --rows, --repeats and --presses take positive whole numbers, --seed a whole number');
  process.exit(2);
}
if (large && sizes.some((n) => n <= 10_000)) {
  console.error('browser-timing: the large-listing form is written above 10,000 files only');
  process.exit(2);
}
const out = options.out ?? path.join(repoRoot, 'build/default', large ? 'browser-timing-large.json' : 'browser-timing.json');

const missing = missingPiece();
if (missing) {
  console.error(`browser-timing: ${missing}`);
  process.exit(1);
}

const results = {
  form: options.form,
  chromium: execFileSync(chromiumPath, ['--version'], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }).trim(),
  cores: os.availableParallelism(),
  repeats,
  ...(large ? { presses, seed } : {}),
  sizes: [],
};
for (const n of sizes) {
  results.sizes.push(large
    ? await measureLarge({ files: n, dir: path.resolve(options.dir), seed, repeats, presses })
    : await measureTable({ rows: n, repeats }));
}
fs.mkdirSync(path.dirname(out), { recursive: true });
fs.writeFileSync(out, JSON.stringify(results, null, 2));
console.log(large ? largeReport(results) : report(results, repeats));
