// A page as it loads from disk: silent, self-contained, its scripts in the
// right order, and its table made only of the rows the tree asks for.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { pathToFileURL } from 'node:url';
import { browserSuite } from './lib/harness.mjs';
import { namesTree, emptyTree } from './lib/trees.mjs';
import { openPage } from './lib/page.mjs';

browserSuite('loading', (context) => {
  for (const dark of [false, true]) {
    describe(dark ? 'dark page' : 'light page', () => {
      let tree;
      let files;
      let file;
      let page;
      before(async () => {
        tree = namesTree();
        files = tree.files();
        file = tree.write({ dark });
        page = await openPage(context.browser, file);
        // Typing runs the search script too, so its faults show up as well.
        await page.type('a');
        await page.clear();
      });
      after(async () => {
        try {
          await page?.close();
        } finally {
          tree?.remove();
        }
      });

      test('no console error and no page error', () => {
        assert.deepEqual(page.seen.consoleErrors, []);
        assert.deepEqual(page.seen.pageErrors, []);
      });

      // Chromium reports the page's own file among its requests; Firefox
      // reports no reads of file addresses at all, only network and data:
      // requests (its logo), so there a read of a file beside the page would
      // go unseen, while any request to the network still shows.
      test('the page asks for nothing but itself and data addresses', () => {
        if (context.browser.reportsFileRequests) {
          assert.ok(page.seen.requests.includes(pathToFileURL(file).href), 'the page itself was seen');
        } else {
          assert.ok(page.seen.requests.some((url) => url.startsWith('data:')), 'the logo was seen');
        }
        const outside = page.seen.requests.filter((url) => url !== pathToFileURL(file).href && !url.startsWith('data:'));
        assert.deepEqual(outside, []);
        assert.deepEqual(page.seen.failedRequests, []);
      });

      test('$ is defined when the search script runs', async () => {
        const reads = await page.evaluate('read $ log', () => window.__dollarReads);
        const fromBody = reads.filter((read) => read.fromBody);
        assert.ok(fromBody.length > 0, 'the search script read $');
        assert.deepEqual(fromBody.filter((read) => !read.defined), []);
      });

      test('the table body holds one row per listed file and nothing but rows, cells and links', async () => {
        const shape = await page.evaluate('read table body', () => {
          const body = document.getElementById('fTable');
          const tags = {};
          for (const element of body.querySelectorAll('*')) tags[element.tagName] = (tags[element.tagName] ?? 0) + 1;
          return {
            tags,
            children: [...body.children].map((child) => child.tagName),
            rowsWithTwoCells: [...body.rows].filter((row) =>
              row.children.length === 2 &&
              row.cells[0].children.length === 1 &&
              row.cells[0].firstElementChild.tagName === 'A' &&
              row.cells[1].children.length === 0).length,
            tables: document.querySelectorAll('table').length,
            bodyElements: document.querySelectorAll('body *').length - body.querySelectorAll('*').length,
          };
        });
        assert.deepEqual(shape.tags, { TR: files.length, TD: 2 * files.length, A: files.length });
        assert.deepEqual(shape.children, Array(files.length).fill('TR'));
        assert.equal(shape.rowsWithTwoCells, files.length);
        assert.equal(shape.tables, 1);
        // The page's own elements outside the table body are the same however many rows it has.
        assert.equal(shape.bodyElements, await ownElementsOfEmptyPage(context.browser, dark));
      });
    });
  }
});

// How many elements the body of a page without rows holds.
async function ownElementsOfEmptyPage(browser, dark) {
  const tree = emptyTree();
  try {
    const page = await openPage(browser, tree.write({ dark }));
    const count = await page.evaluate('count elements', () => document.querySelectorAll('body *').length);
    await page.close();
    return count;
  } finally {
    tree.remove();
  }
}
