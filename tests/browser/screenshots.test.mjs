// Light and dark pictures of a real page, written for a person to look at,
// with the few facts about them that a program can check.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { browserSuite } from './lib/harness.mjs';
import { namesTree } from './lib/trees.mjs';
import { openPage } from './lib/page.mjs';
import { screenshotFolder } from './lib/prerequisites.mjs';

const themes = [
  { name: 'light', dark: false, background: 'rgb(255, 255, 255)', text: 'rgb(51, 51, 51)' },
  { name: 'dark', dark: true, background: 'rgb(8, 4, 15)', text: 'rgb(216, 255, 227)' },
];

browserSuite('screenshots', (context) => {
  for (const theme of themes) {
    test(`${theme.name} page`, async () => {
      const tree = namesTree();
      let page;
      try {
        page = await openPage(context.browser, tree.write({ dark: theme.dark }));
        const look = await page.evaluate('read look', () => {
          const logo = document.querySelector('img');
          const body = getComputedStyle(document.body);
          return {
            background: body.backgroundColor,
            text: body.color,
            logo: logo.complete ? [logo.naturalWidth, logo.naturalHeight, logo.width, logo.height] : null,
            heading: document.querySelector('h1').textContent,
          };
        });
        assert.equal(look.background, theme.background);
        assert.equal(look.text, theme.text);
        assert.deepEqual(look.logo, [370, 370, 192, 192], 'the logo decodes and shows at 192 x 192');
        assert.ok(look.heading.startsWith('Findlet - '));

        fs.mkdirSync(screenshotFolder(), { recursive: true });
        const file = path.join(screenshotFolder(), `search-${theme.name}-${context.engine.name}.png`);
        await page.screenshot(file);
        const png = fs.readFileSync(file);
        assert.equal(png.subarray(1, 4).toString(), 'PNG');
        console.log(`screenshot: ${file}`);
      } finally {
        try {
          await page?.close();
        } finally {
          tree.remove();
        }
      }
    });
  }
});
