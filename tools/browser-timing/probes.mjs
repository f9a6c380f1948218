// What the timing script measures inside the page: load times, and for one
// key release the time until the next frame was drawn.
import { pathToFileURL } from 'node:url';

// Generous: at 100,000 rows one step takes seconds.
export const longStep = 600_000;

// Installed before the page's own scripts: records first contentful paint,
// and for every key release the Event Timing entry (event time stamp to the
// next frame presented) and a second clock: from the key release to the first
// task after the next animation frame's rendering.
export function installProbes() {
  window.__probe = { paints: {}, keys: [], events: [] };
  new PerformanceObserver((list) => {
    for (const entry of list.getEntries()) window.__probe.paints[entry.name] = entry.startTime;
  }).observe({ type: 'paint', buffered: true });
  new PerformanceObserver((list) => {
    for (const entry of list.getEntries()) {
      if (entry.name === 'keyup') {
        window.__probe.events.push({
          start: entry.startTime,
          duration: entry.duration,
          handler: entry.processingEnd - entry.processingStart,
        });
      }
    }
  }).observe({ type: 'event', durationThreshold: 16, buffered: true });
  window.addEventListener('keyup', (event) => {
    const key = { key: event.key, stamp: event.timeStamp, drawn: null };
    window.__probe.keys.push(key);
    requestAnimationFrame(() => setTimeout(() => { key.drawn = performance.now(); }));
  }, true);
}

export async function loadPage(browser, context, file) {
  const page = await browser.step('new page', () => context.newPage());
  await browser.step('probes', () => page.addInitScript(installProbes));
  const started = Date.now();
  await browser.step('load', () => page.goto(pathToFileURL(file).href, { waitUntil: 'load' }), longStep);
  const wall = Date.now() - started;
  // The first contentful paint may be reported only after the load event.
  await browser.step('wait for paint', () => page.waitForFunction(
    () => window.__probe.paints['first-contentful-paint'] != null, null, { timeout: 10_000, polling: 50 })
    .catch(() => null), longStep);
  const timing = await browser.step('read load', () => page.evaluate(() => {
    const navigation = performance.getEntriesByType('navigation')[0];
    return {
      domContentLoaded: navigation.domContentLoadedEventEnd,
      load: navigation.loadEventEnd,
      firstContentfulPaint: window.__probe.paints['first-contentful-paint'] ?? null,
      rows: document.getElementById('fTable').rows.length,
    };
  }));
  return { page, load: { wall, ...timing } };
}

const hiddenRows = (page) => page.evaluate(() =>
  [...document.getElementById('fTable').rows].filter((row) => row.style.display === 'none').length);

// Presses one key in the search field and waits until the frame after it was drawn.
export async function timeKey(browser, page, key) {
  await browser.step('focus', () => page.focus('#_input'));
  const index = await browser.step('count keys', () => page.evaluate(() => window.__probe.keys.length));
  const started = Date.now();
  await browser.step(`press ${key}`, () => page.keyboard.press(key), longStep);
  await browser.step('wait for frame', () => page.waitForFunction(
    (at) => window.__probe.keys[at]?.drawn != null, index, { timeout: 0, polling: 50 }), longStep);
  const wall = Date.now() - started;
  // The Event Timing entry arrives after the frame it reports on; it may
  // also never come (entries shorter than 16 ms are not reported).
  await browser.step('wait for event entry', () => page.waitForFunction((at) => {
    const stamp = window.__probe.keys[at].stamp;
    return window.__probe.events.some((entry) => Math.abs(entry.start - stamp) < 1);
  }, index, { timeout: 5_000, polling: 50 }).catch(() => null), longStep);
  const measured = await browser.step('read key', () => page.evaluate((at) => {
    const key = window.__probe.keys[at];
    const entry = window.__probe.events.find((candidate) => Math.abs(candidate.start - key.stamp) < 1);
    return { toFrame: key.drawn - key.stamp, eventDuration: entry?.duration ?? null, handler: entry?.handler ?? null };
  }, index));
  return { wall, ...measured, hidden: await browser.step('count hidden', () => hiddenRows(page), longStep) };
}

