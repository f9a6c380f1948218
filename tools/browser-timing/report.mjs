// The timing results as Markdown tables: medians, with every run in brackets.
const median = (values) => {
  const sorted = values.filter((v) => v != null).sort((a, b) => a - b);
  return sorted.length ? sorted[Math.floor(sorted.length / 2)] : null;
};
const ms = (value) => (value == null ? 'n/a' : `${Math.round(value)} ms`);
const range = (values) => values.map((v) => Math.round(v)).join(' / ');

export function report(results, repeats) {
  const lines = [
    `${results.chromium}, ${results.cores} cores, ${repeats} runs per size; medians, each run in brackets.`,
    '',
    '| rows | page size | page load (load event) | first contentful paint | q: all rows hidden, key release to frame | Backspace: all rows shown, key release to frame |',
    '|---|---|---|---|---|---|',
  ];
  for (const r of results.sizes) {
    const load = r.runs.map((run) => run.load.load);
    const hide = r.runs.map((run) => run.hide.toFrame);
    const show = r.runs.map((run) => run.show.toFrame);
    lines.push(`| ${r.rows.toLocaleString('en')} | ${(r.pageBytes / 1e6).toFixed(1)} MB | ${ms(median(load))} (${range(load)}) | ` +
      `${ms(median(r.runs.map((run) => run.load.firstContentfulPaint)))} | ${ms(median(hide))} (${range(hide)}) | ${ms(median(show))} (${range(show)}) |`);
  }
  lines.push('', '| rows | Event Timing duration, q / Backspace | handler, q / Backspace | traced Backspace: to frame | script | style | layout | paint |', '|---|---|---|---|---|---|---|---|');
  for (const r of results.sizes) {
    const w = r.traced.work ?? {};
    lines.push(`| ${r.rows.toLocaleString('en')} | ${ms(median(r.runs.map((run) => run.hide.eventDuration)))} / ${ms(median(r.runs.map((run) => run.show.eventDuration)))} | ` +
      `${ms(median(r.runs.map((run) => run.hide.handler)))} / ${ms(median(r.runs.map((run) => run.show.handler)))} | ` +
      `${ms(r.traced.key.toFrame)} | ${ms(w.script)} | ${ms(w.style)} | ${ms(w.layout)} | ${ms(w.paint)} |`);
  }
  return lines.join('\n');
}

