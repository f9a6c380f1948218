// Both forms of the page in both themes, as a reader who does not see it or
// uses no mouse meets them: by keyboard alone, Tab reaches the search field,
// then every match in turn, each in view with its focus ring; axe-core finds
// no violation of the WCAG 2.0 and 2.1 A and AA rules or its best practices,
// as loaded and after a search; and in Chromium's accessibility tree the
// large form's gaps are no rows and its count of matches is announced
// politely once typing pauses. (Chromium's tree as the DevTools protocol
// gives it holds no row counts or indexes: the rows' places are read from
// their attributes.)
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import { browserSuite } from './lib/harness.mjs';
import { namesTree } from './lib/trees.mjs';
import { openPage } from './lib/page.mjs';
import { drawnRows, visibleTableRows, countLine } from './lib/large.mjs';

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

      test('by keyboard: the field first, then every match in turn, in view and with a focus ring', async () => {
        await page.pressHere('Tab');
        assert.equal((await page.focus()).id, '_input');
        await page.type('.t');
        const large = name.startsWith('large');
        const matches = large ? (await drawnRows(page)).rows : await visibleTableRows(page);
        assert.ok(matches.length > 3, `${matches.length} matches`);
        for (const [at, { text }] of matches.entries()) {
          await page.pressHere('Tab');
          const place = large ? String(at + 2) : null; // the large form's row tells its place among all rows
          assert.deepEqual(await page.focus(), { id: '', row: text, place, inView: true, ring: true });
        }
        await page.pressHere('Tab');
        assert.equal((await page.focus()).row, null, 'after the last match the footer');
        await page.pressHere('Shift+Tab');
        assert.equal((await page.focus()).row, matches.at(-1).text);
        await page.clear();
      });

      test('no axe-core violation as loaded', async () => {
        assert.deepEqual(await violations(page), []);
      });

      test('no axe-core violation after a search', async () => {
        await page.type('.md');
        assert.deepEqual(await violations(page), []);
      });

      if (name.startsWith('large') && context.engine.name === 'chromium') {
        test("Chromium's accessibility tree: the field's name, the rows drawn, the count announced politely", async () => {
          await page.clear();
          await page.type('.t');
          const count = await countLine(page);
          assert.match(count, / of \d+ files match$/);
          await page.waitFor('wait for the announcement', () => document.getElementById('fStatus').textContent,
            undefined, (text) => text === count, 2000);
          const { nodes } = await page.step('read the accessibility tree', async () => {
            const session = await page.tab.context.newCDPSession(page.tab.page);
            return session.send('Accessibility.getFullAXTree');
          });
          const byId = new Map(nodes.map((node) => [node.nodeId, node]));
          const text = (node) => node.role?.value === 'StaticText' ? node.name.value :
            (node.childIds ?? []).map((id) => text(byId.get(id))).join('');
          const role = (name) => nodes.filter((node) => !node.ignored && node.role?.value === name);
          const [status] = role('status');
          assert.deepEqual(status.properties.find((p) => p.name === 'live').value.value, 'polite');
          assert.equal(text(status), count);
          assert.equal(role('textbox')[0].name.value, await page.evaluate('read help', () => document.getElementById('fHelp').textContent));
          // The gaps are no rows to a screen reader: the header and the matches drawn are.
          assert.equal(role('row').length, 1 + (await drawnRows(page)).rows.length);
        });
      }
    });
  }
});
