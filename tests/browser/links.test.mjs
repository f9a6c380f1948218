// Every link of a page, resolved by the browser, must name the file that its
// row lists: in sub-folders, and with '#', apostrophes, spaces, '%', '?',
// '&' and markup characters in folder and file names.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { browserSuite } from './lib/harness.mjs';
import { namesTree, cp1252Tree, mixedTree } from './lib/trees.mjs';
import { lowerAscii, marked } from './lib/fixtures.mjs';
import { openPage } from './lib/page.mjs';
import { relativeTarget, isAscii, show } from './lib/links.mjs';

// Opens the page of a fresh tree and pairs each row with what it links to.
async function linkedRows(browser, makeTree, dark) {
  const tree = makeTree();
  let page;
  try {
    const files = tree.files();
    page = await openPage(browser, tree.write({ dark }));
    const rows = await page.rows();
    const shown = (await page.decodeLikePage(files.map((file) => lowerAscii(file.name)))).map(marked);
    const expected = files.map((file, i) => ({ ...file, text: shown[i], sizeText: `${file.kib} KB` }));
    const linked = rows.map((row) => {
      const target = relativeTarget(row.href, tree.rootBytes);
      const file = target && expected.find((candidate) => candidate.relative.equals(target));
      const exists = target !== null && fs.statSync(tree.path(target), { throwIfNoEntry: false })?.isFile() === true;
      return { row, target, file, exists };
    });
    const charset = await page.characterSet();
    await page.close();
    return { tree, expected, linked, charset };
  } catch (error) {
    tree.remove();
    throw error;
  }
}

// Each row whose file is chosen by `which` links to an existing file that is
// the one listed: same name, same size.
function checkLinks(result, which) {
  const listed = result.expected.filter((file) => which(file.name));
  const rows = result.linked.filter(({ row }) => listed.some((file) => file.text === row.linkText));
  assert.equal(rows.length, listed.length, 'one row for each listed file');
  const problems = [];
  for (const { row, target, file, exists } of rows) {
    if (!exists || !file) {
      problems.push(`${JSON.stringify(row.linkText)} links to ${row.href} (${target ? show(target) : 'outside the tree'}), no such file`);
    } else if (file.text !== row.linkText || file.sizeText !== row.size) {
      problems.push(`${JSON.stringify(row.linkText)} ${row.size} links to ${show(file.relative)}, listed as ${JSON.stringify(file.text)} ${file.sizeText}`);
    }
  }
  assert.deepEqual(problems, [], `page decoded as ${result.charset}`);
  const reached = rows.map(({ file }) => show(file.relative)).sort();
  assert.deepEqual(reached, listed.map((file) => show(file.relative)).sort(), 'each file is reached once');
}

const asciiName = (name) => isAscii(name);
const nonAsciiName = (name) => !isAscii(name);
// A name above 0x7F must reach the file's own bytes, whatever encoding the
// browser picks for the page, which declares none it knows: Chromium guesses
// from the first 256 KiB, which the page's head fills on its own, so it falls
// back to windows-1252; Firefox reads a file address whole and takes UTF-8
// when every name is UTF-8. The links therefore carry such bytes as escapes.

browserSuite('links', (context) => {
  for (const dark of [false, true]) {
    describe(dark ? 'dark page' : 'light page', () => {
      let result;
      before(async () => {
        result = await linkedRows(context.browser, namesTree, dark);
      });
      after(() => result?.tree.remove());

      test('every row is a link in a new tab, its text and size those of a listed file', () => {
        assert.equal(result.linked.length, result.expected.length);
        const key = (text, size) => JSON.stringify([text, size]);
        assert.deepEqual(
          result.linked.map(({ row }) => key(row.linkText, row.size)).sort(),
          result.expected.map((file) => key(file.text, file.sizeText)).sort());
        assert.ok(result.linked.every(({ row }) => row.target === '_blank'));
      });

      test('links to ASCII names reach the very file listed', () => checkLinks(result, asciiName));

      test('links to UTF-8 names reach the very file listed', () =>
        checkLinks(result, nonAsciiName));
    });
  }

  const otherTrees = [
    { names: 'cp1252 names', makeTree: cp1252Tree },
    { names: 'UTF-8 and cp1252 names side by side', makeTree: mixedTree },
  ];
  for (const { names, makeTree } of otherTrees) {
    test(`links to ${names} reach the very file listed`, async () => {
      const result = await linkedRows(context.browser, makeTree, false);
      try {
        checkLinks(result, nonAsciiName);
      } finally {
        result.tree.remove();
      }
    });
  }
});
