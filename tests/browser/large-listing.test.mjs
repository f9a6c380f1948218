// A page of 230,000 files, whose list (37 px a row) is taller than the most
// the page lays out: every match can be reached with the keys, the wheel and
// the scroll bar (and by keyboard alone, the focus moving from match to
// match), the stripes follow each row's place among the matches, the
// page can be searched while it still loads (a query holding NUL matching
// nothing at any moment), and it prints as a few pages.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import { pathToFileURL } from 'node:url';
import { browserSuite } from './lib/harness.mjs';
import { bigTree } from './lib/trees.mjs';
import { openPage } from './lib/page.mjs';
import { drawnRows, countLine, countText, dataElements, pdfPageCount, assertQuiet } from './lib/large.mjs';

const fileCount = 230_000;
const listCap = 8_000_000; // px: the tallest the page lays its list out

// The tree is made once for the whole file; its page is read back as data.
let tree;
let file;
let pageBytes;
let elements;
let allRows;
before(() => {
  tree = bigTree(fileCount);
  file = tree.write();
  pageBytes = fs.readFileSync(file);
  elements = dataElements(pageBytes);
  allRows = elements.flatMap((element) => element.rows);
  assert.equal(allRows.length, fileCount);
});
after(() => tree?.remove());

// The matches of a query, in list order, and each one's index among them.
function matchesOf(query, rows = allRows) {
  const matches = rows.filter((text) => text.includes(query));
  return { matches, index: new Map(matches.map((text, at) => [text, at])) };
}

// The rows wholly in view, each with its index among the matches. They must
// all be matches, follow one another in the list, and carry the stripe of
// their index: index 0 striped, as the first row of a table is.
async function rowsInView(page, { index }) {
  const drawn = await drawnRows(page);
  assert.notEqual(drawn.stripe, null, 'the style sheet stripes odd rows');
  const shown = drawn.rows.filter((row) => row.inView).map((row) => ({ ...row, at: index.get(row.text) }));
  assert.ok(shown.length > 0, 'rows are in view');
  const at = shown.map((row) => row.at);
  assert.ok(at.every((n) => n !== undefined), `only matches are drawn: ${shown.map((row) => row.text)}`);
  assert.deepEqual(at, at.map((_, n) => at[0] + n), 'the rows in view follow one another among the matches');
  assert.deepEqual(shown.map((row) => row.background === drawn.stripe), at.map((n) => n % 2 === 0),
    `stripes of the rows ${at[0]}..${at.at(-1)}: ${shown.map((row) => row.background)}`);
  return { first: at[0], last: at.at(-1), rows: shown };
}

// The page scrolled as dragging the scroll bar's thumb does: to a share of
// the scroll range.
async function scrollToShare(page, share) {
  await page.evaluate('scroll to a share', (part) => {
    window.scrollTo(0, Math.round(part * (document.documentElement.scrollHeight - window.innerHeight)));
  }, share);
  await page.scrollSettled();
}

async function assertLastInView(page, matches, how) {
  const view = await rowsInView(page, matches);
  assert.equal(view.last, matches.matches.length - 1, `${how}: the last match is in view`);
  assert.equal(view.rows.at(-1).onTop, true, `${how}: nothing covers the last match`);
}

const searches = [
  { label: 'every row, a list taller than the cap', query: '', overCap: true },
  { label: 'all but every hundredth row, a list taller than the cap', query: 'f', overCap: true },
  { label: 'every tenth row, a list below the cap', query: '7.t', overCap: false },
];

browserSuite('a large listing', (context) => {
  describe('every match reachable', () => {
    let page;
    before(async () => {
      page = await openPage(context.browser, file);
    });
    after(() => page?.close());

    for (const { label, query, overCap } of searches) {
      test(label, async () => {
        await page.clear();
        if (query !== '') await page.type(query);
        const matches = matchesOf(query);
        const count = matches.matches.length;
        assert.equal(await countLine(page), countText(count, fileCount, query));

        const box = await page.evaluate('read list box', () => ({
          height: document.querySelector('div.fList').getBoundingClientRect().height,
          // An inner row: the first shares its border with the header.
          row: document.querySelectorAll('#fTable > tr:not(.fGap)')[1].getBoundingClientRect().height,
        }));
        if (overCap) {
          assert.ok(count * box.row > listCap, `${count} rows of ${box.row} px exceed the cap`);
          assert.ok(Math.abs(box.height - listCap) < 100, `the list is ${box.height} px high`);
        } else {
          assert.ok(Math.abs(box.height - count * box.row) < 100, `the list is ${box.height} px high for ${count} rows`);
        }

        await page.pressOnPage('End');
        await assertLastInView(page, matches, 'End');
        await page.pressOnPage('Home');
        const top = await rowsInView(page, matches);
        assert.equal(top.first, 0, 'Home: the first match is in view');

        const turned = await page.wheel(300);
        assert.ok(turned.scrollY > 0, 'a wheel step scrolls the page');
        const moved = await rowsInView(page, matches);
        assert.ok(moved.first > top.first, `a wheel step moves the list: row ${moved.first} now first`);

        // A lower position never shows later rows, and each shows rows from
        // its own share of the matches.
        let previous = moved;
        for (const share of [0.1, 0.25, 0.5, 0.75, 0.9]) {
          await scrollToShare(page, share);
          const view = await rowsInView(page, matches);
          assert.ok(view.first > previous.first, `at ${share} row ${view.first} comes after row ${previous.first}`);
          assert.ok(Math.abs(view.first / count - share) < 0.005, `at ${share} of the range row ${view.first} of ${count} is first`);
          previous = view;
        }
        await scrollToShare(page, 1);
        await assertLastInView(page, matches, 'the thumb at the end');

        await scrollToShare(page, 0.999);
        await page.wheelDown();
        await assertLastInView(page, matches, 'the wheel');
      });
    }

    // From the field to the first match and on to the last with the keys,
    // beyond the cap and below it: the focused row wholly in view, its focus
    // ring showing, after each key and once the page has redrawn.
    for (const query of ['f', '7.t']) {
      test(`by keyboard alone, every match of ${JSON.stringify(query)}`, async () => {
        await page.clear();
        await page.type(query);
        const matches = matchesOf(query);
        const last = matches.matches.length - 1;
        const rowCount = await page.evaluate('read row count', () => document.querySelector('table').ariaRowCount);
        assert.equal(rowCount, String(last + 2), 'the table stands for the header and every match');
        const steps = [['Tab', 0], ['ArrowDown', 1], ['PageDown', 'on'], ['End', last], ['ArrowUp', last - 1],
          ['Tab', last], ['PageUp', 'back'], ['Home', 0], ['Control+End', last], ['Control+Home', 0]];
        let at = null;
        for (const [key, expected] of steps) {
          await page.pressHere(key);
          for (const when of ['at once', 'redrawn']) {
            if (when === 'redrawn') await page.scrollSettled();
            const focus = await page.focus();
            const now = matches.index.get(focus.row);
            const where = `${key}, ${when}: row ${now} (${focus.row})`;
            if (expected === 'on') assert.ok(now > at + 10, where);
            else if (expected === 'back') assert.ok(now < at - 10, where);
            else assert.equal(now, expected, where);
            assert.deepEqual([focus.place, focus.inView, focus.ring], [String(now + 2), true, true], where);
          }
          at = matches.index.get((await page.focus()).row);
        }
        // The focused row scrolled away as the scroll bar does: the next key
        // goes on from it.
        await scrollToShare(page, 0.5);
        await page.pressHere('ArrowDown');
        assert.equal(matches.index.get((await page.focus()).row), 1, 'ArrowDown after the scroll bar');
        await page.pressHere('ArrowUp');
        await page.pressHere('Shift+Tab');
        assert.equal((await page.focus()).id, '_input', 'Shift+Tab from the first match: the field');
      });
    }

    test('no errors, and nothing asked for but the page itself', () => {
      assertQuiet(context.browser, page, pathToFileURL(file).href);
    });
  });

  describe('while loading', () => {
    let server;
    let url;
    let go;
    const asked = [];
    let page;
    // The page is sent up to the middle of its data, then the rest once go()
    // is called.
    before(async () => {
      const middle = elements[Math.floor(elements.length / 2)];
      const cut = middle.start + 100;
      const released = new Promise((resolve) => {
        go = resolve;
      });
      server = http.createServer((request, response) => {
        // The browser asks for the site's icon by itself; it is answered with
        // nothing, so that it raises no error.
        if (request.url === '/favicon.ico') {
          response.writeHead(204).end();
          return;
        }
        asked.push(request.url);
        if (request.url !== '/search.html') {
          response.writeHead(404).end();
          return;
        }
        response.writeHead(200, { 'Content-Type': 'text/html' });
        response.write(pageBytes.subarray(0, cut));
        released.then(() => response.end(pageBytes.subarray(cut)));
      });
      await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
      url = `http://127.0.0.1:${server.address().port}/search.html`;
    });
    after(async () => {
      go?.();
      try {
        await page?.close();
      } finally {
        server.closeAllConnections();
        await new Promise((resolve) => server.close(resolve));
      }
    });

    test('the matches found so far show, then all of them', async () => {
      const query = '7.t';
      // Every data element before the one cut in two is whole, and read.
      const middle = Math.floor(elements.length / 2);
      const rowsSoFar = elements.slice(0, middle).flatMap((element) => element.rows);
      const soFar = matchesOf(query, rowsSoFar);
      const all = matchesOf(query);
      assert.ok(soFar.matches.length > 0 && soFar.matches.length < all.matches.length);

      page = await openPage(context.browser, url, { waitForLoad: false });
      const loading = countText(rowsSoFar.length, rowsSoFar.length, '', { loading: true });
      await page.waitFor('wait for the first half', () => document.getElementById('fCount')?.textContent ?? null,
        undefined, (line) => line === loading);

      await page.type(query);
      assert.equal(await countLine(page), countText(soFar.matches.length, rowsSoFar.length, query, { loading: true }));
      assert.equal((await rowsInView(page, soFar)).first, 0, 'the first match found so far is in view');
      await page.pressOnPage('End');
      await assertLastInView(page, soFar, 'End while loading');

      // A NUL, which has no key, put in and a key released: no row matches,
      // neither now nor in the data that arrives later.
      await page.clear();
      await page.insertWithoutKeys('\0');
      await page.press('Shift');
      assert.equal(await page.fieldValue(), '\0');
      assert.equal(await countLine(page), countText(0, rowsSoFar.length, '\0', { loading: true }));
      go();
      await page.loaded;
      await page.waitFor('wait for the rest', () => document.getElementById('fCount').textContent, undefined,
        (line) => line === countText(0, fileCount, '\0'));
      assert.equal((await drawnRows(page)).rows.length, 0, 'no row drawn for a NUL');

      await page.clear();
      await page.type(query);
      assert.equal(await countLine(page), countText(all.matches.length, fileCount, query));
      await page.pressOnPage('End');
      await assertLastInView(page, all, 'End once loaded');

      assertQuiet(context.browser, page, url);
      assert.deepEqual(asked, ['/search.html'], 'the server was asked for the page alone');
    });
  });

  test('printed, it is a few pages: the rows in view', async () => {
    const page = await openPage(context.browser, file);
    try {
      const pages = pdfPageCount(await page.pdf());
      assert.ok(pages >= 1 && pages <= 5, `${pages} pages`);
      assertQuiet(context.browser, page, pathToFileURL(file).href);
    } finally {
      await page.close();
    }
  });
});
