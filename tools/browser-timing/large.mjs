// The large-listing form on the benchmark's wide trees: for each size, the
// page written once in the table form (only its size is kept; it is never
// opened) and once in the large form, then `repeats` loads of the large form,
// each in a Chromium of its own so that its renderer's peak memory is that
// page's alone.
import fs from 'node:fs';
import { spawnSync } from 'node:child_process';
import path from 'node:path';
import { findletBinary, startChromium } from './chromium.mjs';
import { ensureTree } from './bench-tree.mjs';
import { longStep } from './probes.mjs';
import { loadLargePage, timeLargeKey, timeScroll } from './large-probes.mjs';
import { rendererMemory } from './memory.mjs';

// No BenchTree name or size text holds a 'q'.
export const noMatchKey = 'q';
// "port " (from "report " and "export ") matches about 1 % of the BenchTree
// names at every size: 1,033 of 100,000 and 10,023 of 1,000,000 in the wide
// trees of seed 7. It is typed up to "port", then the space is the timed key.
export const someQuery = 'port ';
const someQueryKeys = [...someQuery].map((c) => (c === ' ' ? 'Space' : c));
export const wheelPixels = 100;
const viewport = { width: 1280, height: 900 };
// A threshold far above any measured size keeps the table form.
const tableFormThreshold = '100000000';

// Runs findlet over root (its page from an earlier run removed first, so that
// it is not listed) and returns the page's path, its size and the run's time.
function writePage(root, environment = {}) {
  const page = path.join(root, 'search.html');
  fs.rmSync(page, { force: true });
  const started = Date.now();
  const run = spawnSync(findletBinary(), [root], {
    env: { ...process.env, ...environment }, encoding: 'latin1', timeout: 600_000, maxBuffer: 1 << 26,
  });
  if (run.error) throw run.error;
  if (run.status !== 0 || !run.stdout.includes('Output filepath: ')) {
    throw new Error(`findlet ${root} ended with ${run.status}:\n${run.stdout}${run.stderr}`);
  }
  return { file: page, bytes: fs.statSync(page).size, generation: Date.now() - started };
}

const matchCount = (text) => Number(/^([\d,]+) of /.exec(text)?.[1].replaceAll(',', '') ?? NaN);

async function keys(browser, page, files, presses) {
  const all = `${files.toLocaleString('en-US')} files`;
  const none = `0 of ${all} match`;
  const times = { none: [], some: [], empty: [] };
  let matches = null;
  await browser.step('focus', () => page.focus('#_input'));
  const expect = (what, result, text) => {
    if (result.count !== text) throw new Error(`${what}: the count line says "${result.count}", not "${text}"`);
    return result.toFrame;
  };
  for (let i = 0; i < presses; i++) {
    times.none.push(expect(noMatchKey, await timeLargeKey(browser, page, noMatchKey), none));
    times.empty.push(expect('Backspace', await timeLargeKey(browser, page, 'Backspace'), all));
    for (const key of someQueryKeys.slice(0, -1)) await timeLargeKey(browser, page, key);
    const some = await timeLargeKey(browser, page, someQueryKeys.at(-1));
    matches = matchCount(some.count);
    if (!(matches > 0) || some.count !== `${matches.toLocaleString('en-US')} of ${all} match`) {
      throw new Error(`"${someQuery}": the count line says "${some.count}"`);
    }
    times.some.push(some.toFrame);
    for (let k = 0; k < someQuery.length; k++) await timeLargeKey(browser, page, 'Backspace');
  }
  const cleared = await browser.step('read count', () => page.evaluate(() => document.getElementById('fCount').textContent));
  if (cleared !== all) throw new Error(`after clearing the field the count line says "${cleared}"`);
  return { times, matches };
}

async function scrolls(browser, page, presses) {
  await browser.step('to the top', () => page.evaluate(() => {
    document.activeElement.blur();
    scrollTo(0, 0);
    return new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve)));
  }));
  await browser.step('mouse over the table', () => page.mouse.move(viewport.width / 2, viewport.height * 0.75));
  const times = { wheel: [], pageDown: [] };
  for (let i = 0; i < presses; i++) times.wheel.push(await timeScroll(browser, page, 'wheel', wheelPixels));
  for (let i = 0; i < presses; i++) times.pageDown.push(await timeScroll(browser, page, 'PageDown'));
  return times;
}

// One page load in a fresh Chromium: loading, keys, scrolling, then the
// renderer's peak memory over all of it.
async function loadOnce(file, files, presses) {
  // Without smooth scrolling one wheel step or PageDown is one scroll, drawn
  // in one frame, rather than an animation over several.
  const browser = await startChromium(['--disable-smooth-scrolling']);
  try {
    const context = await browser.step('context', () => browser.driver.newContext({ viewport }));
    const { page, load } = await loadLargePage(browser, context, file);
    if (load.count !== `${files.toLocaleString('en-US')} files`) throw new Error(`after loading the count line says "${load.count}"`);
    const typed = await keys(browser, page, files, presses);
    const scrolled = await scrolls(browser, page, presses);
    const memory = await rendererMemory(browser, page);
    await browser.step('close page', () => page.close(), longStep);
    return { load, keys: typed.times, matches: typed.matches, scroll: scrolled, memory };
  } finally {
    await browser.close();
  }
}

export async function measureLarge({ files, dir, seed, repeats, presses }) {
  const root = ensureTree(dir, 'wide', files, seed);
  try {
    const table = writePage(root, { FINDLET_TEST_LARGE_LISTING_THRESHOLD: tableFormThreshold });
    const large = writePage(root);
    if (!fs.readFileSync(large.file, 'latin1').includes('<script type="text/plain">')) {
      throw new Error(`${files} files: findlet wrote the table form, not the large-listing form`);
    }
    const runs = [];
    for (let i = 0; i < repeats; i++) {
      const run = await loadOnce(large.file, files, presses);
      runs.push(run);
      console.error(`${files} files, load ${i + 1}: first rows ${run.load.firstRows.toFixed(0)} ms, ` +
        `searchable ${run.load.searchable.toFixed(0)} ms, renderer peak ${(run.memory.peakKiB / 1024).toFixed(0)} MiB`);
    }
    return {
      files, root, tableBytes: table.bytes, pageBytes: large.bytes, generation: large.generation,
      query: someQuery, runs,
    };
  } finally {
    fs.rmSync(path.join(root, 'search.html'), { force: true });
  }
}
