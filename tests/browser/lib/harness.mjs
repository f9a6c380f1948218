// Wraps each test file's cases: when a piece the suite needs is missing, the
// file reports one skipped case saying so (one failed case in CI); otherwise
// it starts one Chromium for the file and ends it afterwards.
import { describe, test, before, after } from 'node:test';
import { missingPiece, missingBinary, inCI } from './prerequisites.mjs';

export function browserSuite(name, body) {
  const missing = missingPiece();
  if (missing !== null) {
    if (inCI()) {
      test(name, () => {
        throw new Error(`FAILED: ${missing}; in CI the browser suite must run`);
      });
    } else {
      console.log(`SKIPPED: ${missing}`);
      test(name, { skip: `SKIPPED: ${missing}` }, () => {});
    }
    return;
  }
  describe(name, () => {
    const context = { browser: null };
    before(async () => {
      const binary = missingBinary();
      if (binary !== null) throw new Error(binary);
      const { Browser } = await import('./chromium.mjs');
      context.browser = await Browser.start();
    });
    after(async () => {
      if (context.browser) await context.browser.close();
    });
    body(context);
  });
}
