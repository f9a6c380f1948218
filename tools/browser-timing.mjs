#!/usr/bin/env node
// Measures the generated search page in headless Chromium on large trees:
// how long the page takes to load, and how long it takes from one key
// release in the search field to the next drawn frame, for a key that hides
// every row and for Backspace back to an empty field (every row shown again).
// One traced Backspace per size splits that time into script, style, layout
// and paint.
//
//   node tools/browser-timing.mjs [--rows 10000,100000] [--repeats 3] [--out FILE]
//
// Needs the built binary (FINDLET_BINARY, default build/default/findlet) and
// tests/browser/node_modules (tools/browser-setup.sh). Prints a Markdown
// report and writes the raw numbers as JSON (default
// build/default/browser-timing.json).
import fs from 'node:fs';
import path from 'node:path';
import { parseArgs } from 'node:util';
import { Tree } from '../tests/browser/lib/fixtures.mjs';
import { missingFor, missingBinary, repoRoot } from '../tests/browser/lib/prerequisites.mjs';
import { engines } from '../tests/browser/lib/engines.mjs';
import { loadPage, timeKey, longStep } from './browser-timing/probes.mjs';
import { breakdown } from './browser-timing/trace.mjs';
import { report } from './browser-timing/report.mjs';
import { execFileSync } from 'node:child_process';
import os from 'node:os';

const { values: options } = parseArgs({
  options: {
    rows: { type: 'string', default: '10000,100000' },
    repeats: { type: 'string', default: '3' },
    out: { type: 'string', default: path.join(repoRoot, 'build/default/browser-timing.json') },
  },
});
const sizes = options.rows.split(',').map(Number);
const repeats = Number(options.repeats);

const chromium = engines.find((engine) => engine.name === 'chromium');
const missing = missingFor(chromium) ?? missingBinary();
if (missing) {
  console.error(`browser-timing: ${missing}`);
  process.exit(1);
}
const { Browser } = await import('../tests/browser/lib/chromium.mjs');

// No name holds a 'q' and no size text either, so typing q hides every row.
const hidingKey = 'q';
const perFolder = 100;

function makeTree(rows) {
  const tree = new Tree(`timing-${rows}`);
  for (let i = 0; i < rows; i++) {
    const folder = `Folder ${String(Math.floor(i / perFolder)).padStart(4, '0')}`;
    tree.file(`${folder}/Photo ${String(i).padStart(6, '0')}.jpg`, i % 7 === 0 ? 0 : (i % 5000) + 1);
  }
  return tree;
}

async function tracedBackspace(browser, context, file) {
  const { page } = await loadPage(browser, context, file);
  await browser.step('focus', () => page.focus('#_input'));
  await browser.step(`press ${hidingKey}`, () => page.keyboard.press(hidingKey), longStep);
  await browser.step('start trace', () => browser.driver.startTracing(page, {
    categories: ['devtools.timeline', 'disabled-by-default-devtools.timeline'],
  }));
  const key = await timeKey(browser, page, 'Backspace');
  const trace = await browser.step('stop trace', () => browser.driver.stopTracing(), longStep);
  await browser.step('close page', () => page.close(), longStep);
  return { key, work: breakdown(trace, key.toFrame) };
}

async function measure(rows) {
  const tree = makeTree(rows);
  const started = Date.now();
  const file = tree.write();
  const generation = Date.now() - started;
  const browser = await Browser.start(chromium.executable);
  try {
    const context = await browser.step('context', () => browser.driver.newContext({ viewport: { width: 1280, height: 900 } }));
    const runs = [];
    for (let i = 0; i < repeats; i++) {
      const { page, load } = await loadPage(browser, context, file);
      const hide = await timeKey(browser, page, hidingKey);
      const show = await timeKey(browser, page, 'Backspace');
      await browser.step('close page', () => page.close(), longStep);
      runs.push({ load, hide, show });
      console.error(`${rows} rows, run ${i + 1}: load ${load.load.toFixed(0)} ms, hide ${hide.toFrame.toFixed(0)} ms, show ${show.toFrame.toFixed(0)} ms`);
    }
    const traced = await tracedBackspace(browser, context, file);
    return { rows, pageBytes: fs.statSync(file).size, generation, runs, traced };
  } finally {
    await browser.close();
    tree.remove();
  }
}

const results = {
  chromium: execFileSync(chromium.executable, ['--version'], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }).trim(),
  cores: os.availableParallelism(),
  sizes: [],
};
for (const rows of sizes) results.sizes.push(await measure(rows));
for (const r of results.sizes) {
  for (const run of r.runs) {
    if (run.hide.hidden !== r.rows || run.show.hidden !== 0) throw new Error(`${r.rows} rows: the search did not hide and show every row`);
  }
}
fs.mkdirSync(path.dirname(options.out), { recursive: true });
fs.writeFileSync(options.out, JSON.stringify(results, null, 2));
console.log(report(results, repeats));
