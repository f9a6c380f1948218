// What the browser suite needs before it can start, and what it does when a
// piece is missing: outside CI it skips with a message that says what is
// missing; in CI (CI=true) a missing piece is a failure.
import { existsSync, accessSync, constants } from 'node:fs';
import { fileURLToPath } from 'node:url';
import path from 'node:path';

const here = path.dirname(fileURLToPath(import.meta.url));
export const suiteFolder = path.resolve(here, '..');
export const repoRoot = path.resolve(suiteFolder, '..', '..');

export const chromiumPath = process.env.FINDLET_CHROMIUM || '/usr/bin/chromium';

export function findletBinary() {
  return path.resolve(repoRoot, process.env.FINDLET_BINARY || 'build/default/findlet');
}

export function screenshotFolder() {
  return path.resolve(repoRoot, process.env.FINDLET_SCREENSHOTS || 'build/default/screenshots');
}

export function inCI() {
  return process.env.CI === 'true';
}

function executable(file) {
  try {
    accessSync(file, constants.X_OK);
    return true;
  } catch {
    return false;
  }
}

// The first missing piece that makes the suite skip (or fail in CI), as a
// sentence, or null when everything is there.
export function missingPiece() {
  if (!executable(chromiumPath)) return `chromium not found at ${chromiumPath}`;
  if (!existsSync(path.join(suiteFolder, 'node_modules', 'playwright-core', 'package.json'))) {
    return `playwright-core not installed in ${path.join(suiteFolder, 'node_modules')} ` +
      '(tools/browser-setup.sh installs it)';
  }
  return null;
}

// The binary is never optional: without it nothing can be tested.
export function missingBinary() {
  const binary = findletBinary();
  return executable(binary) ? null : `findlet binary not found at ${binary} (set FINDLET_BINARY)`;
}
