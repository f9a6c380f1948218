// The large-listing form against the table form, on one tree of hostile
// names written both ways: after the same key presses the large page draws
// the very rows the table page leaves visible, in the same order, and its
// count line tells how many match. Without scripts it shows one line and no
// rows.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { pathToFileURL } from 'node:url';
import { browserSuite } from './lib/harness.mjs';
import { hostileTree, hostileFiles } from './lib/trees.mjs';
import { openPage } from './lib/page.mjs';
import { startBrowser } from './lib/engines.mjs';
import { drawnRows, visibleTableRows, countLine, countText, assertQuiet } from './lib/large.mjs';

// Tall enough that every row of the tree is in view at once.
const viewport = { width: 1280, height: 1600 };

// Key presses into an empty field. Text off the keyboard layout fires no key
// release, so it is put in without keys and a key that types nothing is
// pressed after it.
const typing = (text) => async (page) => {
  await page.clear();
  await page.type(text);
};
const inserting = (text, key) => async (page) => {
  await page.clear();
  await page.insertWithoutKeys(text);
  await page.press(key);
};
// What is put into the field, and how many rows the table form shows then.
const queries = [
  {
    label: 'an empty field after Backspace',
    value: '',
    enter: async (page) => {
      await typing('a')(page);
      await page.press('Backspace');
    },
    matches: hostileFiles.length,
  },
  { label: 'nothing that matches', value: 'zzz', enter: typing('zzz'), matches: 0 },
  { label: 'kb, never the size unit', value: 'kb', enter: typing('kb'), matches: 1 },
  { label: 'a span across name and size', value: 'md1', enter: typing('md1'), matches: 1 },
  { label: 'markup as text', value: '<b>', enter: typing('<b>'), matches: 1 },
  { label: 'the end of a script tag, after a folder named < and in markup', value: 'script>', enter: typing('script>'), matches: 2 },
  { label: 'an ampersand', value: '&', enter: typing('&'), matches: 3 },
  { label: 'an entity spelt out in a name, read once', value: '&#1', enter: typing('&#1'), matches: 1 },
  { label: 'a hash sign', value: '#', enter: typing('#'), matches: 3 },
  { label: 'an apostrophe', value: "'", enter: typing("'"), matches: 2 },
  { label: 'a percent escape as text', value: '%41', enter: typing('%41'), matches: 1 },
  { label: 'trailing blanks before the size', value: 's  1', enter: typing('s  1'), matches: 1 },
  { label: 'composed é, which finds the decomposed name and the capital too', value: 'é', enter: inserting('é', 'End'), matches: 4 },
  { label: 'the replacement character of bytes that are not UTF-8', value: '\ufffd', enter: inserting('\ufffd', 'Shift'), matches: 2 },
  { label: 'a capital outside A to Z as the row shows it', value: 'Über', enter: inserting('Über', 'End'), matches: 1 },
  { label: 'that letter lower-cased', value: 'über', enter: inserting('über', 'End'), matches: 1 },
  { label: 'a capital after which the row shows a letter lower-cased', value: 'ÉA', enter: inserting('ÉA', 'End'), matches: 1 },
  { label: 'a blank for a tab', value: 'tab here', enter: typing('tab here'), matches: 1 },
  { label: 'one blank for two', value: 'two blanks', enter: typing('two blanks'), matches: 1 },
  {
    label: 'a right-to-left override, shown as a mark with the name in its stored order',
    value: 'u+202e',
    enter: typing('u+202e'),
    matches: 1,
    shows: ['invoice\u27e6U+202E\u27e7gpj.exe1 KB'],
  },
];

browserSuite('large listing against the table form', (context) => {
  for (const dark of [false, true]) {
    describe(dark ? 'dark pages' : 'light pages', () => {
      let tree;
      let files;
      let table;
      let large;
      before(async () => {
        tree = hostileTree();
        files = tree.writePages({ 'table.html': { dark }, 'large.html': { dark, large: true } });
        table = await openPage(context.browser, files['table.html'], { viewport });
        large = await openPage(context.browser, files['large.html'], { viewport });
      });
      after(async () => {
        try {
          await table?.close();
          await large?.close();
        } finally {
          tree?.remove();
        }
      });

      test('the two pages are the two forms', async () => {
        assert.equal(await countLine(table), null);
        assert.equal(await countLine(large), countText(hostileFiles.length, hostileFiles.length, ''));
      });

      for (const { label, value, enter, matches, shows } of queries) {
        test(`${label}: the same rows in the same order, and their count`, async () => {
          for (const page of [table, large]) {
            await enter(page);
            assert.equal(await page.fieldValue(), value);
          }
          const expected = await visibleTableRows(table);
          assert.equal(expected.length, matches, 'rows the table form shows');
          if (shows) assert.deepEqual(expected.map((row) => row.text), shows);
          const drawn = await drawnRows(large);
          assert.deepEqual(drawn.rows.map(({ html, text, href }) => ({ html, text, href })), expected);
          assert.ok(drawn.rows.every((row) => row.inView), 'every drawn row is in view');
          assert.equal(await countLine(large), countText(matches, hostileFiles.length, value));
        });
      }

      test('no errors, and nothing asked for but the pages themselves', () => {
        for (const [name, page] of [['table.html', table], ['large.html', large]]) {
          assertQuiet(context.browser, page, pathToFileURL(files[name]).href);
        }
      });
    });
  }

  test('without JavaScript the large page shows its one line and no rows', async () => {
    const tree = hostileTree();
    let browser;
    try {
      const file = tree.write({ large: true });
      browser = await startBrowser(context.engine, { javaScript: false });
      const page = await openPage(browser, file);
      const shown = await page.evaluate('read page without scripts', () => {
        const lines = [...document.querySelectorAll('noscript > p')];
        return {
          lines: lines.map((line) => ({ text: line.textContent, visible: line.checkVisibility() })),
          rows: document.getElementById('fTable').rows.length,
          count: document.getElementById('fCount'),
          header: document.querySelector('table thead tr').checkVisibility(),
        };
      });
      assert.equal(shown.lines.length, 1);
      assert.equal(shown.lines[0].visible, true);
      assert.match(shown.lines[0].text, /JavaScript/);
      assert.equal(shown.rows, 0);
      assert.equal(shown.count, null);
      assert.equal(shown.header, true);
      assertQuiet(browser, page, pathToFileURL(file).href);
    } finally {
      try {
        await browser?.close();
      } finally {
        tree.remove();
      }
    }
  });
});

