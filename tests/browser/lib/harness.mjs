// Wraps each test file's cases: they run once per engine, each engine in a
// suite of its own named after it, with one browser started for the file
// and ended afterwards. When an engine lacks a piece it needs, its suite is
// one skipped case saying so (one failed case in CI).
import { describe, test, before, after } from 'node:test';
import { missingFor, missingBinary, inCI } from './prerequisites.mjs';
import { engines, startBrowser } from './engines.mjs';

// body(context) defines the cases; context.browser is the running browser
// once the cases run, and context.engine the engine they run in.
export function browserSuite(name, body) {
  describe(name, () => {
    for (const engine of engines) {
      const missing = missingFor(engine);
      if (missing !== null) {
        if (inCI()) {
          test(engine.name, () => {
            throw new Error(`FAILED: ${missing}; in CI the browser suite must run in every engine`);
          });
        } else {
          console.log(`SKIPPED: ${missing}`);
          test(engine.name, { skip: `SKIPPED: ${missing}` }, () => {});
        }
        continue;
      }
      describe(engine.name, () => {
        const context = { engine, browser: null };
        before(async () => {
          const binary = missingBinary();
          if (binary !== null) throw new Error(binary);
          context.browser = await startBrowser(engine);
          console.log(`${name}: ${await context.browser.step('read version', () => context.browser.version())}`);
        });
        body(context);
        // Registered after the body's own hooks, so that it runs after them.
        after(async () => {
          if (context.browser) await context.browser.close();
        });
      });
    }
  });
}
