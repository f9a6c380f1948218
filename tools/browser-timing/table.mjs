// The table form (one row element per file) on generated trees of 100 files
// per folder: page load, and a key that hides every row and Backspace that
// shows them again, each from the key release to the next drawn frame; one
// traced Backspace per size splits that time into script, style, layout and
// paint.
import fs from 'node:fs';
import { startChromium } from './chromium.mjs';
import { loadPage, timeKey, longStep } from './probes.mjs';
import { breakdown } from './trace.mjs';

// No name holds a 'q' and no size text either, so typing q hides every row.
export const hidingKey = 'q';
const perFolder = 100;

async function makeTree(rows) {
  const { Tree } = await import('../../tests/browser/lib/fixtures.mjs');
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

// Runs findlet over the tree in the table form: above 10,000 files it would
// write the large-listing form, unless its threshold is set far above.
function writeTableForm(tree) {
  const threshold = process.env.FINDLET_TEST_LARGE_LISTING_THRESHOLD;
  process.env.FINDLET_TEST_LARGE_LISTING_THRESHOLD = '100000000';
  try {
    return tree.write();
  } finally {
    if (threshold === undefined) delete process.env.FINDLET_TEST_LARGE_LISTING_THRESHOLD;
    else process.env.FINDLET_TEST_LARGE_LISTING_THRESHOLD = threshold;
  }
}

export async function measureTable({ rows, repeats }) {
  const tree = await makeTree(rows);
  let browser;
  try {
    const started = Date.now();
    const file = writeTableForm(tree);
    const generation = Date.now() - started;
    browser = await startChromium();
    const context = await browser.step('context', () => browser.driver.newContext({ viewport: { width: 1280, height: 900 } }));
    const runs = [];
    for (let i = 0; i < repeats; i++) {
      const { page, load } = await loadPage(browser, context, file);
      const hide = await timeKey(browser, page, hidingKey);
      const show = await timeKey(browser, page, 'Backspace');
      await browser.step('close page', () => page.close(), longStep);
      if (hide.hidden !== rows || show.hidden !== 0) throw new Error(`${rows} rows: the search did not hide and show every row`);
      runs.push({ load, hide, show });
      console.error(`${rows} rows, run ${i + 1}: load ${load.load.toFixed(0)} ms, hide ${hide.toFrame.toFixed(0)} ms, show ${show.toFrame.toFixed(0)} ms`);
    }
    const traced = await tracedBackspace(browser, context, file);
    return { rows, pageBytes: fs.statSync(file).size, generation, runs, traced };
  } finally {
    await browser?.close();
    tree.remove();
  }
}
