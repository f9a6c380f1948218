// What the timing script measures inside a page of the large-listing form.
// Every time is read with performance.now(), whose zero is the navigation's
// start, and a "drawn frame" is the first task after the next animation
// frame's rendering (a requestAnimationFrame callback that posts a task).
import { pathToFileURL } from 'node:url';
import { longStep } from './probes.mjs';

// Installed before the page's own scripts. Records:
// - handler: when the page adds its keyup handler to the search field;
// - firstRows: the first drawn frame in which #fTable holds a row that is not
//   a gap row;
// - searchable: the first drawn frame in which the count line no longer says
//   that the page is still loading;
// - keys: for every key release, its time stamp and the next drawn frame;
// - scrolls: for every wheel step and PageDown, its time stamp, the first
//   scroll event after it (the page draws the rows in view from its scroll
//   handler) and the drawn frame after that event.
// probe.until(check) resolves once check() holds, tested after every frame
// the probe records, so that waiting for a result puts no polling tasks into
// the page.
export function installLargeProbes() {
  const probe = { handler: null, firstRows: null, searchable: null, keys: [], scrolls: [], waiting: [] };
  window.__probe = probe;
  const settle = () => {
    probe.waiting = probe.waiting.filter((waiter) => !waiter());
  };
  probe.until = (check) => new Promise((resolve) => {
    const waiter = () => check() && (resolve(), true);
    if (!waiter()) probe.waiting.push(waiter);
  });
  const afterFrame = (record, field) => requestAnimationFrame(() => setTimeout(() => {
    record[field] = performance.now();
    settle();
  }));

  // While loading, every frame is checked until the count line is final.
  const watch = () => requestAnimationFrame(() => setTimeout(() => {
    const now = performance.now();
    const body = document.getElementById('fTable');
    if (probe.firstRows == null && body && body.querySelector('tr:not(.fGap)')) probe.firstRows = now;
    const count = document.getElementById('fCount');
    if (probe.firstRows != null && count && count.textContent !== '' && !count.textContent.includes('still loading')) {
      probe.searchable = now;
    }
    settle();
    if (probe.searchable == null) watch();
  }));
  watch();

  addEventListener('keyup', (event) => {
    const key = { key: event.key, stamp: event.timeStamp, drawn: null };
    probe.keys.push(key);
    afterFrame(key, 'drawn');
  }, true);
  const scrollInput = (kind, stamp) => probe.scrolls.push({ kind, stamp, scrolled: null, drawn: null });
  addEventListener('wheel', (event) => scrollInput('wheel', event.timeStamp), { capture: true, passive: true });
  addEventListener('keydown', (event) => {
    if (event.key === 'PageDown') scrollInput('PageDown', event.timeStamp);
  }, true);
  addEventListener('scroll', () => {
    for (const step of probe.scrolls) {
      if (step.scrolled == null) {
        step.scrolled = performance.now();
        afterFrame(step, 'drawn');
      }
    }
  }, { capture: true, passive: true });

  const add = EventTarget.prototype.addEventListener;
  EventTarget.prototype.addEventListener = function (type, listener, options) {
    if (type === 'keyup' && this instanceof HTMLInputElement && this.id === '_input') {
      probe.handler = performance.now();
      EventTarget.prototype.addEventListener = add;
    }
    return add.call(this, type, listener, options);
  };
}

// Opens the page and waits, without polling the page, until every row is
// searchable. Returns the page and the loading times.
export async function loadLargePage(browser, context, file) {
  const page = await browser.step('new page', () => context.newPage());
  await browser.step('probes', () => page.addInitScript(installLargeProbes));
  await browser.step('load', () => page.goto(pathToFileURL(file).href, { waitUntil: 'load' }), longStep);
  await browser.step('wait until searchable', () => page.evaluate(() => window.__probe.until(() => window.__probe.searchable != null)), longStep);
  const load = await browser.step('read load', () => page.evaluate(() => {
    const navigation = performance.getEntriesByType('navigation')[0];
    const probe = window.__probe;
    return {
      handler: probe.handler,
      firstRows: probe.firstRows,
      searchable: probe.searchable,
      domContentLoaded: navigation.domContentLoadedEventEnd,
      load: navigation.loadEventEnd,
      count: document.getElementById('fCount').textContent,
    };
  }));
  if (load.handler == null || load.handler > load.firstRows) throw new Error('the search field had no keyup handler when the first rows were drawn');
  return { page, load };
}

const countText = (page) => page.evaluate(() => document.getElementById('fCount').textContent);

// Presses one key in the search field; returns the time from its release to
// the next drawn frame and the count line after it.
export async function timeLargeKey(browser, page, key) {
  const index = await browser.step('count keys', () => page.evaluate(() => window.__probe.keys.length));
  await browser.step(`press ${key}`, () => page.keyboard.press(key), longStep);
  const toFrame = await browser.step(`frame after ${key}`, () => page.evaluate(async (at) => {
    const probe = window.__probe;
    await probe.until(() => probe.keys[at]?.drawn != null);
    return probe.keys[at].drawn - probe.keys[at].stamp;
  }, index), longStep);
  return { toFrame, count: await browser.step('read count', () => countText(page)) };
}

// One scroll step, a wheel step of `pixels` or a PageDown; returns the time
// from the input event to the frame drawn after the page's scroll handler,
// and checks that the page scrolled and that rows, not a gap, are in view.
export async function timeScroll(browser, page, kind, pixels) {
  const before = await browser.step('read scroll', () => page.evaluate(() => ({ at: window.__probe.scrolls.length, y: scrollY })));
  await browser.step(kind, () => (kind === 'wheel' ? page.mouse.wheel(0, pixels) : page.keyboard.press('PageDown')), longStep);
  const step = await browser.step(`frame after ${kind}`, () => page.evaluate(async (at) => {
    const probe = window.__probe;
    await probe.until(() => probe.scrolls[at]?.drawn != null);
    const row = document.elementFromPoint(innerWidth / 2, innerHeight / 2)?.closest('tr');
    const { kind: input, stamp, scrolled, drawn } = probe.scrolls[at];
    return {
      input, toFrame: drawn - stamp, toScrollEvent: scrolled - stamp, y: scrollY,
      rowInView: row != null && row.parentElement.id === 'fTable' && !row.classList.contains('fGap'),
    };
  }, before.at), 60_000);
  if (step.input !== kind || step.y <= before.y || !step.rowInView) {
    throw new Error(`${kind}: scrolled from ${before.y} to ${step.y}, row in view: ${step.rowInView}`);
  }
  return { toFrame: step.toFrame, toScrollEvent: step.toScrollEvent, from: before.y, to: step.y };
}
