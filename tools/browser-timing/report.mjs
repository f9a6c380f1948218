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


// The 95th percentile by nearest rank.
const p95 = (values) => {
  const sorted = values.filter((v) => v != null).sort((a, b) => a - b);
  return sorted.length ? sorted[Math.ceil(0.95 * sorted.length) - 1] : null;
};
const mb = (bytes) => `${(bytes / 1e6).toFixed(1)} MB`;

// The figures of the large-listing form, one line each: its text for one size,
// and whether the 1,000,000 files size met its target.
// A figure taken once per page load: the median, each load in brackets.
const perLoad = (name, target, limit, pick, format = ms) => ({
  name, target,
  met: (r) => median(r.runs.map(pick)) <= limit,
  text: (r) => `${format(median(r.runs.map(pick)))} (${r.runs.map((run) => Math.round(pick(run))).join(' / ')})`,
});
// A figure taken for every press of all loads: `first` and `second` name the
// statistics shown, the target applying to the 95th percentile.
const statistics = { p95, median };
const perPress = (name, target, limit, pick, first, second) => ({
  name: `${name}, ${first} (${second})`, target,
  met: (r) => p95(r.runs.flatMap(pick)) <= limit,
  text: (r) => `${ms(statistics[first](r.runs.flatMap(pick)))} (${ms(statistics[second](r.runs.flatMap(pick)))})`,
});
const toFrame = (steps) => steps.map((step) => step.toFrame);
const share = (r) => r.runs[0].matches / r.files;

const largeFigures = [
  perLoad('first rows drawn (search field answering)', '≤ 1.0 s', 1000, (run) => run.load.firstRows),
  perLoad('every row searchable', '≤ 3.0 s', 3000, (run) => run.load.searchable),
  {
    name: 'rows matching the 1 % query `port␣`', target: '0.5–2 % (the choice of query)',
    met: (r) => share(r) >= 0.005 && share(r) <= 0.02,
    text: (r) => `${r.runs[0].matches.toLocaleString('en')} (${(100 * share(r)).toFixed(2)} %)`,
  },
  perPress('key matching nothing (`q`) → frame', '≤ 100 ms (p95)', 100, (run) => run.keys.none, 'p95', 'median'),
  perPress('key to about 1 % (space after `port`) → frame', '≤ 100 ms (p95)', 100, (run) => run.keys.some, 'p95', 'median'),
  perPress('Backspace to an empty field → frame', '≤ 100 ms (p95)', 100, (run) => run.keys.empty, 'p95', 'median'),
  perPress('wheel step of 100 px → frame', '≤ 50 ms (p95)', 50, (run) => toFrame(run.scroll.wheel), 'median', 'p95'),
  perPress('PageDown → frame', '≤ 50 ms (p95)', 50, (run) => toFrame(run.scroll.pageDown), 'median', 'p95'),
  perLoad('renderer peak resident memory (VmHWM)', '≤ 600 MB', 600, (run) => run.memory.peakKiB * 1024 / 1e6,
    (value) => `${value.toFixed(0)} MB`),
  {
    name: 'page size ÷ table form of the same tree', target: '≤ 40 %',
    met: (r) => r.pageBytes / r.tableBytes <= 0.4,
    text: (r) => `${(100 * r.pageBytes / r.tableBytes).toFixed(0)} % (${mb(r.pageBytes)} ÷ ${mb(r.tableBytes)})`,
  },
];

export function largeReport(results) {
  const sizes = results.sizes;
  const largest = sizes.find((r) => r.files === 1_000_000);
  const lines = [
    `${results.chromium}, ${results.cores} cores; large-listing form, wide BenchTree trees of seed ${results.seed}; ` +
      `${results.repeats} page loads per size (each in its own Chromium), ${results.presses} presses of each key ` +
      'and scroll step per load. Load figures: median over the loads, each load in brackets.',
    '',
    `| figure | ${sizes.map((r) => `${r.files.toLocaleString('en')} files`).join(' | ')} | target at 1,000,000 | met at 1,000,000 |`,
    `|---|${sizes.map(() => '---|').join('')}---|---|`,
  ];
  for (const figure of largeFigures) {
    const met = largest ? (figure.met(largest) ? 'yes' : 'no') : 'not measured';
    lines.push(`| ${figure.name} | ${sizes.map((r) => figure.text(r)).join(' | ')} | ${figure.target} | ${met} |`);
  }
  lines.push('', '| files | page | table form | DOMContentLoaded, median | load event, median | findlet run |',
    '|---|---|---|---|---|---|');
  for (const r of sizes) {
    lines.push(`| ${r.files.toLocaleString('en')} | ${mb(r.pageBytes)} | ${mb(r.tableBytes)} | ` +
      `${ms(median(r.runs.map((run) => run.load.domContentLoaded)))} | ${ms(median(r.runs.map((run) => run.load.load)))} | ` +
      `${ms(r.generation)} |`);
  }
  return lines.join('\n');
}
