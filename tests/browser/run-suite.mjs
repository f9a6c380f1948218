// The browser suite as CTest runs it. When Chromium or the suite's packages
// are missing it says so and ends with 77, which CTest reports as skipped;
// with CI=true it fails instead. Otherwise it runs `node --test` here and
// passes on its result.
import { spawnSync } from 'node:child_process';
import { missingPiece, inCI, suiteFolder } from './lib/prerequisites.mjs';

const SkipStatus = 77;

const missing = missingPiece();
if (missing !== null) {
  if (inCI()) {
    console.log(`FAILED: ${missing}; in CI the browser suite must run`);
    process.exit(1);
  }
  console.log(`SKIPPED: ${missing}`);
  process.exit(SkipStatus);
}

const run = spawnSync(process.execPath, ['--test', ...process.argv.slice(2)], {
  cwd: suiteFolder,
  stdio: 'inherit',
});
if (run.error) throw run.error;
process.exit(run.status ?? 1);
