// The search field in a real browser: what stays visible after real key
// presses, in both themes.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { browserSuite } from './lib/harness.mjs';
import { namesTree, emptyTree } from './lib/trees.mjs';
import { lowerAscii, marked } from './lib/fixtures.mjs';
import { openPage } from './lib/page.mjs';

const sorted = (names) => [...names].sort();

// What is typed into an empty field, and the link texts of the rows that
// must stay visible (given, or picked from all the page's names).
const cases = [
  { typed: 'README', shows: ['readme.md'], why: 'typed text is lower-cased' },
  { typed: 'kb', shows: ['backup kb list.txt'], why: 'the unit KB never matches' },
  { typed: '1 KB', shows: [], why: 'the unit KB never matches, even after a size' },
  { typed: 'md1', shows: [], why: 'no match spans name and size' },
  { typed: '12', shows: ['tom & jerry.avi', "don't stop.mp3", 'track12.ogg'], why: 'digits match sizes and names' },
  { typed: '5242880', shows: ['big backup.bin'], why: 'a size alone matches' },
  { typed: '#1', shows: ['beach #1.jpg'], why: "'#' is searched as itself" },
  { typed: "'", shows: ["don't stop.mp3"], why: 'an apostrophe is searched as itself; folder names are not searched' },
  { typed: '&', shows: ['tom & jerry.avi', 'r&d plan.txt', '&amp;.txt', 'say "hi" & <b>bye<\\b>.txt'], why: "'&' is searched as itself" },
  { typed: '<B>', shows: ['say "hi" & <b>bye<\\b>.txt'], why: 'markup in a name is text' },
  { typed: '.TXT', shows: (names) => names.filter((name) => name.endsWith('.txt')), why: 'extensions match' },
  { typed: 'q', shows: [], why: 'nothing matches' },
];

browserSuite('search field', (context) => {
  for (const dark of [false, true]) {
    describe(dark ? 'dark page' : 'light page', () => {
      let tree;
      let page;
      let listedNames;
      before(async () => {
        tree = namesTree();
        const files = tree.files();
        page = await openPage(context.browser, tree.write({ dark }));
        listedNames = (await page.decodeLikePage(files.map((file) => lowerAscii(file.name)))).map(marked);
      });
      after(async () => {
        try {
          await page?.close();
        } finally {
          tree?.remove();
        }
      });

      test('an empty field shows every listed file', async () => {
        assert.deepEqual(sorted(await page.visibleNames()), sorted(listedNames));
        assert.equal(await page.headerVisible(), true);
      });

      for (const { typed, shows, why } of cases) {
        test(`typing ${JSON.stringify(typed)}: ${why}`, async () => {
          await page.clear();
          await page.type(typed);
          assert.equal(await page.fieldValue(), typed);
          const expected = typeof shows === 'function' ? shows(listedNames) : shows;
          assert.deepEqual(sorted(await page.visibleNames()), sorted(expected));
          assert.equal(await page.headerVisible(), true, 'the header row stays');
        });
      }

      test('Backspace back to an empty field shows every row again', async () => {
        await page.clear();
        await page.type('zz');
        assert.deepEqual(await page.visibleNames(), []);
        await page.press('Backspace');
        await page.press('Backspace');
        assert.equal(await page.fieldValue(), '');
        assert.deepEqual(sorted(await page.visibleNames()), sorted(listedNames));
      });

      test('text put in without a key release changes nothing until the next key release', async () => {
        await page.clear();
        await page.insertWithoutKeys('README');
        assert.equal(await page.fieldValue(), 'README');
        assert.deepEqual(sorted(await page.visibleNames()), sorted(listedNames));
        await page.press('End');
        assert.deepEqual(await page.visibleNames(), ['readme.md']);

        await page.insertWithoutKeys('');
        assert.equal(await page.fieldValue(), '');
        assert.deepEqual(await page.visibleNames(), ['readme.md']);
        await page.press('Shift');
        assert.deepEqual(sorted(await page.visibleNames()), sorted(listedNames));
      });
    });
  }

  test('a page without rows shows only its header, whatever is typed', async () => {
    const tree = emptyTree();
    let page;
    try {
      page = await openPage(context.browser, tree.write());
      assert.deepEqual(await page.rows(), []);
      assert.equal(await page.headerVisible(), true);
      await page.type('a');
      assert.equal(await page.headerVisible(), true);
      assert.deepEqual(page.seen.pageErrors, []);
    } finally {
      try {
        await page?.close();
      } finally {
        tree.remove();
      }
    }
  });
});
