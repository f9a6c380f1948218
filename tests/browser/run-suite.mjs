// The browser suite as CTest runs it. When no engine can run (a browser or
// its driver package missing) it says so and ends with 77, which CTest
// reports as skipped; with CI=true any missing piece fails it instead.
// Otherwise it runs `node --test` here and passes on its result; an engine
// that lacks a piece then reports itself skipped.
import { spawnSync } from 'node:child_process';
import { missingFor, inCI, suiteFolder } from './lib/prerequisites.mjs';
import { engines } from './lib/engines.mjs';

const SkipStatus = 77;

const missing = engines.map(missingFor).filter((piece) => piece !== null);
if (missing.length > 0 && inCI()) {
  for (const piece of missing) console.log(`FAILED: ${piece}; in CI the browser suite must run in every engine`);
  process.exit(1);
}
if (missing.length === engines.length) {
  for (const piece of missing) console.log(`SKIPPED: ${piece}`);
  process.exit(SkipStatus);
}

const run = spawnSync(process.execPath, ['--test', ...process.argv.slice(2)], {
  cwd: suiteFolder,
  stdio: 'inherit',
});
if (run.error) throw run.error;
process.exit(run.status ?? 1);
