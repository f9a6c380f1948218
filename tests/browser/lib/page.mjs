// One search page opened from its file URL in a fresh browser context, with
// everything it says or asks for recorded, and the reads and key presses the
// tests make on it.
import { pathToFileURL } from 'node:url';

// Watches reads of `$`: for each one, whether it came from the body's script
// (the search script) and whether `$` was defined then.
function watchDollar() {
  let value;
  window.__dollarReads = [];
  Object.defineProperty(window, '$', {
    configurable: true,
    get() {
      const script = document.currentScript;
      window.__dollarReads.push({
        fromBody: script !== null && document.body !== null && document.body.contains(script),
        defined: typeof value === 'function',
      });
      return value;
    },
    set(next) {
      value = next;
    },
  });
}

export async function openPage(browser, file, { viewport = { width: 1280, height: 900 } } = {}) {
  const context = await browser.step('new context', () => browser.browser.newContext({ viewport }));
  const page = await browser.step('new page', () => context.newPage());
  const seen = { consoleErrors: [], pageErrors: [], requests: [], failedRequests: [] };
  page.on('console', (message) => {
    if (message.type() === 'error') seen.consoleErrors.push(message.text());
  });
  page.on('pageerror', (error) => seen.pageErrors.push(String(error)));
  page.on('request', (request) => seen.requests.push(request.url()));
  page.on('requestfailed', (request) => seen.failedRequests.push(request.url()));
  await browser.step('init script', () => page.addInitScript(watchDollar));
  const url = pathToFileURL(file).href;
  await browser.step(`load ${url}`, () => page.goto(url, { waitUntil: 'load' }));
  return new SearchPage(browser, context, page, seen);
}

export class SearchPage {
  constructor(browser, context, page, seen) {
    this.browser = browser;
    this.context = context;
    this.page = page;
    this.seen = seen;
  }

  step(label, action) {
    return this.browser.step(label, action);
  }

  evaluate(label, fn, arg) {
    return this.step(label, () => this.page.evaluate(fn, arg));
  }

  // Every row of the table body, in page order, as the browser reads it.
  rows() {
    return this.evaluate('read rows', () =>
      [...document.getElementById('fTable').rows].map((row) => {
        const link = row.querySelector('a');
        return {
          text: row.textContent,
          visible: row.checkVisibility(),
          linkText: link ? link.textContent : null,
          href: link ? link.href : null,
          target: link ? link.getAttribute('target') : null,
          size: row.cells.length > 1 ? row.cells[1].textContent : null,
          cells: row.cells.length,
        };
      }));
  }

  async visibleNames() {
    return (await this.rows()).filter((row) => row.visible).map((row) => row.linkText);
  }

  headerVisible() {
    return this.evaluate('read header', () => {
      const header = document.querySelector('table thead tr');
      return header !== null && header.checkVisibility() && header.textContent === 'FilenameSize';
    });
  }

  // Real key presses into the search field, so that each key release fires.
  async type(text) {
    await this.step('focus field', () => this.page.focus('#_input'));
    await this.step(`type ${JSON.stringify(text)}`, () => this.page.keyboard.type(text));
  }

  async press(key) {
    await this.step('focus field', () => this.page.focus('#_input'));
    await this.step(`press ${key}`, () => this.page.keyboard.press(key));
  }

  // Empties the field with key presses: select all, then Backspace.
  async clear() {
    await this.press('Control+A');
    await this.press('Backspace');
  }

  // Replaces the field's text without any key event, as pasting or cutting
  // with the mouse does. (Playwright's fill() presses Delete for an empty
  // text, so it is not used.)
  async insertWithoutKeys(text) {
    await this.evaluate('select field', () => document.getElementById('_input').select());
    if (text === '') {
      await this.evaluate('cut field', () => document.execCommand('delete'));
    } else {
      await this.step('insert text', () => this.page.keyboard.insertText(text));
    }
  }

  // Byte strings decoded the way the page itself was decoded, by the
  // browser's own decoder: for names above 0x7F that is whatever encoding
  // the browser picked for a page that declares none it knows.
  decodeLikePage(byteStrings) {
    const arrays = byteStrings.map((bytes) => [...bytes]);
    return this.evaluate('decode like the page', (all) => {
      const decoder = new TextDecoder(document.characterSet);
      return all.map((bytes) => decoder.decode(new Uint8Array(bytes)));
    }, arrays);
  }

  characterSet() {
    return this.evaluate('read character set', () => document.characterSet);
  }

  fieldValue() {
    return this.evaluate('read field', () => document.getElementById('_input').value);
  }

  async close() {
    await this.step('close context', () => this.context.close());
  }
}
