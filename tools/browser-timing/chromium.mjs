// Debian's Chromium for the timing script: the browser suite's own launcher
// (tests/browser/lib), whose steps run under timers of ours, with what the
// script needs to know before it starts.
import { engines, startBrowser } from '../../tests/browser/lib/engines.mjs';
import { findletBinary, missingBinary, missingFor, repoRoot } from '../../tests/browser/lib/prerequisites.mjs';

export { findletBinary, repoRoot };

const chromium = engines.find((engine) => engine.name === 'chromium');
export const chromiumPath = chromium.executable;

// What is missing to run, as a sentence, or null.
export function missingPiece() {
  return missingFor(chromium) ?? missingBinary();
}

// A headless Chromium; extraArgs: switches beyond the suite's common ones.
// Its `driver` is Playwright's own Browser, for contexts and tracing.
export function startChromium(extraArgs = []) {
  return startBrowser(chromium, { args: extraArgs });
}
