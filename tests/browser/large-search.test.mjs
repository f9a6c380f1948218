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
const viewport = { width: 1280, height: 2600 };

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
  { label: 'no span across name and size', value: 'txt1', enter: typing('txt1'), matches: 0 },
  { label: 'markup as text', value: '<b>', enter: typing('<b>'), matches: 1 },
  { label: 'the end of a script tag, after a folder named < and in markup', value: 'script>', enter: typing('script>'), matches: 2 },
  { label: 'an ampersand', value: '&', enter: typing('&'), matches: 3 },
  { label: 'an entity spelt out in a name, read once', value: '&#1', enter: typing('&#1'), matches: 1 },
  { label: 'a hash sign', value: '#', enter: typing('#'), matches: 3 },
  { label: 'an apostrophe', value: "'", enter: typing("'"), matches: 2 },
  { label: 'a percent escape as text', value: '%41', enter: typing('%41'), matches: 1 },
  { label: 'blanks that end a name', value: 'blanks  ', enter: typing('blanks  '), matches: 1 },
  { label: 'composed é, which finds the decomposed name and the capital too', value: 'é', enter: inserting('é', 'End'), matches: 4 },
  { label: 'the replacement character of bytes that are not UTF-8', value: '\ufffd', enter: inserting('\ufffd', 'Shift'), matches: 2 },
  { label: 'a capital outside A to Z as the row shows it', value: 'Über', enter: inserting('Über', 'End'), matches: 1 },
  { label: 'that letter lower-cased', value: 'über', enter: inserting('über', 'End'), matches: 1 },
  { label: 'a capital after which the row shows a letter lower-cased', value: 'ÉA', enter: inserting('ÉA', 'End'), matches: 1 },
  { label: 'a tab as its mark', value: 'u+0009', enter: typing('u+0009'), matches: 1, shows: ['tab\u27e6U+0009\u27e7here.txt1 KB'] },
  { label: 'not a tab as a blank', value: 'tab here', enter: typing('tab here'), matches: 0 },
  { label: 'two blanks as two', value: 'two  blanks', enter: typing('two  blanks'), matches: 1 },
  { label: 'not two blanks as one', value: 'two blanks', enter: typing('two blanks'), matches: 0 },
  { label: 'no-break spaces as blanks', value: 'nbsp   .exe', enter: typing('nbsp   .exe'), matches: 1 },
  {
    label: 'characters that would hide, each shown as a mark',
    value: 'pay',
    enter: typing('pay'),
    matches: 12,
    shows: ['200C', '200D', '034F', 'FE0F', '180B', '17B4', '1D173', 'FFFC', 'E0041\u27e7\u27e6U+E0042', '115F', '1160', '2800']
      .map((code) => `pay\u27e6U+${code}\u27e7pal.txt1 KB`),
  },
  { label: 'a hidden joiner, by its mark', value: 'u+200d', enter: typing('u+200d'), matches: 1, shows: ['pay\u27e6U+200D\u27e7pal.txt1 KB'] },
  { label: 'none of them as the name they pose as', value: 'paypal', enter: typing('paypal'), matches: 0 },
  ...hostileFiles.slice(-7, -3).map(([name]) => ({
    label: `${name}, shown as it is`, value: name, enter: inserting(name, 'End'), matches: 1, shows: [`${name}1 KB`],
  })),
  { label: 'a final sigma as shown', value: 'ΟΔΟΣ', enter: inserting('ΟΔΟΣ', 'End'), matches: 2 },
  { label: 'a sigma for a final one', value: 'οδοσ', enter: inserting('οδοσ', 'End'), matches: 2 },
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
          if (shows) assert.deepEqual(expected.map((row) => row.text).sort(), [...shows].sort());
          const drawn = await drawnRows(large);
          assert.deepEqual(drawn.rows.map(({ html, text, href }) => ({ html, text, href })), expected);
          assert.ok(drawn.rows.every((row) => row.inView), 'every drawn row is in view');
          assert.equal(await countLine(large), countText(matches, hostileFiles.length, value));
        });
      }

      test('the title and heading mark what would not show', async () => {
        for (const page of [table, large]) {
          const shown = await page.evaluate('read title', () => [document.title, document.querySelector('h1').textContent]);
          for (const text of shown) assert.match(text, /hostile\u27e6U\+200D\u27e7\u27e6U\+2800\u27e7\u27e6U\+E0041\u27e7/);
        }
      });

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

