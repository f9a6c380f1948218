// A listing far taller than the window, scrolled to its end the ways a person
// does: the last row ends up in view, visible, and nothing covers it.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { browserSuite } from './lib/harness.mjs';
import { longTree } from './lib/trees.mjs';
import { openPage } from './lib/page.mjs';

const rowCount = 300;

const ways = [
  { how: 'the End key', scroll: (page) => page.pressOnPage('End') },
  { how: 'the mouse wheel', scroll: (page) => page.wheelDown() },
];

browserSuite('scrolling', (context) => {
  let tree;
  let page;
  before(async () => {
    tree = longTree(rowCount);
    page = await openPage(context.browser, tree.write());
  });
  after(async () => {
    try {
      await page?.close();
    } finally {
      tree?.remove();
    }
  });

  for (const { how, scroll } of ways) {
    test(`scrolled to the bottom with ${how}, the last row is in view and visible`, async () => {
      await page.evaluate('scroll to the top', () => window.scrollTo(0, 0));
      const rows = await page.rows();
      assert.equal(rows.length, rowCount);
      const start = await page.rowInView(-1);
      assert.equal(start.inView, false, 'the last row starts out of view');

      await scroll(page);
      const end = await page.scrollSettled();
      assert.ok(end.bottom >= end.height - 1, `scrolled to ${end.bottom} of ${end.height} px`);
      const last = await page.rowInView(-1);
      assert.equal(last.text, rows.at(-1).text);
      assert.deepEqual(
        { inView: last.inView, visible: last.visible, onTop: last.onTop },
        { inView: true, visible: true, onTop: true },
        `last row at ${last.top}..${last.bottom} of ${last.viewportHeight} px`);
    });
  }
});
