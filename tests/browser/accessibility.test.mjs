// Both forms of the page in both themes checked by axe-core against the WCAG
// 2.0 and 2.1 A and AA rules and its best practices, as loaded and after a
// search: no violation at all.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import { browserSuite } from './lib/harness.mjs';
import { namesTree } from './lib/trees.mjs';
import { openPage } from './lib/page.mjs';

const axeSource = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
const rules = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'best-practice'];

const pages = {
  'table-light.html': { dark: false },
  'table-dark.html': { dark: true },
  'large-light.html': { dark: false, large: true },
  'large-dark.html': { dark: true, large: true },
};

// axe-core's violations on the page as it stands, each with the elements it
// names.
async function violations(page) {
  await page.evaluate('load axe-core', (source) => {
    if (window.axe) return;
    const script = document.createElement('script');
    script.textContent = source;
    document.head.appendChild(script);
  }, axeSource);
  return page.evaluate('run axe-core', async (tags) => {
    const results = await window.axe.run(document, { runOnly: { type: 'tag', values: tags } });
    return results.violations.map((v) => `${v.impact} ${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
  }, rules, 60_000);
}

browserSuite('accessibility', (context) => {
  let tree;
  let files;
  before(() => {
    tree = namesTree();
    files = tree.writePages(pages);
  });
  after(() => tree?.remove());

  for (const name of Object.keys(pages)) {
    describe(name, () => {
      let page;
      before(async () => {
        page = await openPage(context.browser, files[name]);
      });
      after(() => page?.close());

      test('no axe-core violation as loaded', async () => {
        assert.deepEqual(await violations(page), []);
      });

      test('no axe-core violation after a search', async () => {
        await page.type('.md');
        assert.deepEqual(await violations(page), []);
      });
    });
  }
});
