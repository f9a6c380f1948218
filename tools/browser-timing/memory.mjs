// The peak resident memory of the renderer process that shows a page.
import fs from 'node:fs';
import { longStep } from './probes.mjs';

// The processes below `root`, by walking the parent ids of /proc (renderers
// are not children of the browser itself but of its zygote).
function descendants(root) {
  const parents = new Map();
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${entry}/stat`, 'utf8');
      // The name in brackets may hold spaces; the parent id follows it and the state.
      parents.set(Number(entry), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
    } catch {
      // The process ended meanwhile.
    }
  }
  const found = new Set();
  let grew = true;
  while (grew) {
    grew = false;
    for (const [pid, parent] of parents) {
      if (!found.has(pid) && (parent === root || found.has(parent))) {
        found.add(pid);
        grew = true;
      }
    }
  }
  return found;
}

function statusKiB(pid, field) {
  const line = fs.readFileSync(`/proc/${pid}/status`, 'utf8').split('\n').find((l) => l.startsWith(`${field}:`));
  if (!line) throw new Error(`no ${field} in /proc/${pid}/status`);
  return Number(line.split(/\s+/)[1]);
}

// Chromium rewrites its command line as one text with spaces between the
// arguments, so both separators are accepted.
const isRenderer = (pid) => fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').split(/[\0 ]/).includes('--type=renderer');

// Which process renders the page: a short trace of the page lists its frames
// with the id of the process of each (Chromium's TracingStartedInBrowser
// event, which is traced with the disabled-by-default-devtools.timeline
// category). That process must be a renderer below the browser we started.
// Returns the page renderer's peak (VmHWM) and current (VmRSS) resident
// memory in KiB, and the peaks of the other renderers for the record.
export async function rendererMemory(browser, page) {
  await browser.step('start trace', () => browser.driver.startTracing(page, {
    categories: ['disabled-by-default-devtools.timeline'],
  }));
  await browser.step('frame in trace', () => page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve)))));
  const trace = await browser.step('stop trace', () => browser.driver.stopTracing(), longStep);
  const events = JSON.parse(trace.toString()).traceEvents ?? [];
  const frames = events.filter((e) => e.name === 'TracingStartedInBrowser').flatMap((e) => e.args?.data?.frames ?? []);
  const pids = new Set(frames.filter((f) => f.url === page.url() && !f.parent).map((f) => f.processId));
  if (pids.size !== 1) throw new Error(`the trace names ${pids.size} processes for ${page.url()}`);
  const [pid] = pids;
  const below = descendants(browser.pid);
  if (!below.has(pid) || !isRenderer(pid)) throw new Error(`process ${pid} is not a renderer of Chromium ${browser.pid}`);
  const others = [];
  for (const other of below) {
    try {
      if (other !== pid && isRenderer(other)) others.push({ pid: other, peakKiB: statusKiB(other, 'VmHWM') });
    } catch {
      // It ended meanwhile.
    }
  }
  return { pid, peakKiB: statusKiB(pid, 'VmHWM'), residentKiB: statusKiB(pid, 'VmRSS'), others };
}
