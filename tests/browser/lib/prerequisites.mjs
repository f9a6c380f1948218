// What the browser suite needs before it can start, and what it does when a
// piece is missing: outside CI the engine that lacks it is skipped with a
// message that says what is missing; in CI (CI=true) a missing piece is a
// failure.
import { existsSync, accessSync, constants } from 'node:fs';
import { fileURLToPath } from 'node:url';
import path from 'node:path';
import { engines } from './engines.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
export const suiteFolder = path.resolve(here, '..');
export const repoRoot = path.resolve(suiteFolder, '..', '..');

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

// What an engine lacks (its browser or its driver package), as a sentence,
// or null when it can run.
export function missingFor(engine) {
  if (!executable(engine.executable)) {
    return `${engine.name} not found at ${engine.executable} (Debian package ${engine.debianPackage})`;
  }
  if (!existsSync(path.join(suiteFolder, 'node_modules', engine.driver, 'package.json'))) {
    return `${engine.driver} not installed in ${path.join(suiteFolder, 'node_modules')} ` +
      '(tools/browser-setup.sh installs it)';
  }
  return null;
}

// The first missing piece of any engine, or null when every engine can run.
export function missingPiece() {
  for (const engine of engines) {
    const missing = missingFor(engine);
    if (missing !== null) return missing;
  }
  return null;
}

// The binary is never optional: without it nothing can be tested.
export function missingBinary() {
  const binary = findletBinary();
  return executable(binary) ? null : `findlet binary not found at ${binary} (set FINDLET_BINARY)`;
}
