// One search page opened from its file URL in a fresh browser context, with
// everything it says or asks for recorded, and the reads, key presses and
// scrolls the tests make on it. The same in every engine: the engine's
// Browser (lib/engines.mjs) opens the tab, and each call that waits on the
// browser runs as one of its timed steps.
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

// What the page said and asked for while open:
// - consoleErrors: console messages at the error level;
// - pageErrors: errors raised by the page's scripts and not caught;
// - requests, failedRequests: the addresses it asked for (which ones an
//   engine reports: Browser.reportsFileRequests);
// - documentRemarks: what the browser itself said about the document, kept
//   apart from the page's errors (Firefox names the unknown character set).
function emptyRecords() {
  return { consoleErrors: [], pageErrors: [], requests: [], failedRequests: [], documentRemarks: [] };
}

// Opens `file` (a path, or an http: address) in a new tab of `browser` and
// returns its SearchPage once the page has loaded. viewport: the tab's size in
// CSS pixels. With waitForLoad false it returns as soon as the load has begun,
// and page.loaded settles when the page has loaded.
export async function openPage(browser, file, { viewport = { width: 1280, height: 900 }, waitForLoad = true } = {}) {
  const seen = emptyRecords();
  const tab = await browser.step('new tab', () => browser.newTab({ viewport, initScript: watchDollar, seen }));
  const page = new SearchPage(browser, tab, seen);
  const url = file.startsWith('http:') ? file : pathToFileURL(file).href;
  page.loaded = page.step(`load ${url}`, () => tab.goto(url), 60_000);
  if (waitForLoad) await page.loaded;
  // A load that fails before anyone waits for it is reported where it is
  // awaited, not as an unhandled rejection.
  else page.loaded.catch(() => {});
  return page;
}

export class SearchPage {
  constructor(browser, tab, seen) {
    this.browser = browser;
    this.tab = tab;
    this.seen = seen;
  }

  step(label, action, ms) {
    return this.browser.step(label, action, ms);
  }

  evaluate(label, fn, arg, ms) {
    return this.step(label, () => this.tab.evaluate(fn, arg), ms);
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
    await this.step('focus field', () => this.tab.focus('#_input'));
    await this.step(`type ${JSON.stringify(text)}`, () => this.tab.type(text));
  }

  // A key or a chord such as 'Control+A' pressed in the search field.
  async press(key) {
    await this.step('focus field', () => this.tab.focus('#_input'));
    await this.step(`press ${key}`, () => this.tab.press(key));
  }

  // A key pressed wherever the focus is.
  pressHere(key) {
    return this.step(`press ${key}`, () => this.tab.press(key));
  }

  // Where the focus is: the focused element's id, for a link in the table
  // its row's text and the place the row tells a screen reader
  // (aria-rowindex), whether it is wholly in view, and whether a focus ring
  // shows around it.
  focus() {
    return this.evaluate('read focus', () => {
      const focused = document.activeElement;
      const row = focused.closest('#fTable > tr');
      const box = focused.getBoundingClientRect();
      const style = getComputedStyle(focused);
      return {
        id: focused.id,
        row: row ? row.textContent : null,
        place: row ? row.getAttribute('aria-rowindex') : null,
        inView: box.top >= 0 && box.bottom <= document.documentElement.clientHeight,
        ring: style.outlineStyle !== 'none' && parseFloat(style.outlineWidth) > 0,
      };
    });
  }

  // A key pressed with nothing focused, so that it goes to the page itself
  // (End, Page Down and the like scroll it).
  async pressOnPage(key) {
    await this.evaluate('leave field', () => document.activeElement?.blur());
    await this.step(`press ${key} on the page`, () => this.tab.press(key));
    await this.scrollSettled();
  }

  // Turns the mouse wheel over the middle of the page, one notch of `delta`
  // pixels at a time, until the page no longer moves (at most `notches`).
  async wheelDown({ delta = 2000, notches = 50 } = {}) {
    for (let notch = 0; notch < notches; notch++) {
      const before = await this.evaluate('read scroll', () => window.scrollY);
      await this.step('turn wheel', () => this.tab.wheel(delta));
      if ((await this.scrollSettled()).scrollY === before) return;
    }
    throw new Error(`the page still moved after ${notches} wheel notches`);
  }

  // One notch of the mouse wheel over the middle of the page; returns where
  // the page stands once it has stopped moving.
  async wheel(delta) {
    await this.step('turn wheel', () => this.tab.wheel(delta));
    return this.scrollSettled();
  }

  // Reads read(arg) in the page until accept(value) holds and returns that
  // value; fails after ms milliseconds with the last value read. A read that
  // fails (the page is being replaced by a new document) is tried again.
  async waitFor(label, read, arg, accept, ms = 20_000) {
    const until = Date.now() + ms;
    let last;
    for (;;) {
      try {
        last = await this.evaluate(label, read, arg);
        if (accept(last)) return last;
      } catch (error) {
        if (this.browser.ended) throw error;
        last = error;
      }
      if (Date.now() > until) {
        const shown = last instanceof Error ? last.message : JSON.stringify(last);
        throw new Error(`${label}: still not there after ${ms} ms; last read: ${shown}`);
      }
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
  }

  // Waits until the page has stopped scrolling (the same offset over several
  // frames; a browser may animate a scroll) and returns where it stands.
  scrollSettled() {
    return this.evaluate('wait for the scroll to end', () => new Promise((resolve) => {
      let last = window.scrollY;
      let still = 0;
      const frame = () => {
        still = window.scrollY === last ? still + 1 : 0;
        last = window.scrollY;
        if (still >= 5) {
          resolve({ scrollY: last, bottom: last + window.innerHeight, height: document.documentElement.scrollHeight });
        } else {
          requestAnimationFrame(frame);
        }
      };
      requestAnimationFrame(frame);
    }));
  }

  // Where a row of the table body stands in the viewport (index -1: the last
  // row): its box against the viewport, whether the browser counts it
  // visible, and whether it is what shows at its own middle, on top of
  // everything else.
  rowInView(index) {
    return this.evaluate('read row placement', (at) => {
      const rows = document.getElementById('fTable').rows;
      const row = rows[at < 0 ? rows.length + at : at];
      const box = row.getBoundingClientRect();
      const width = document.documentElement.clientWidth;
      const height = document.documentElement.clientHeight;
      const middle = document.elementFromPoint(
        Math.min(Math.max((box.left + box.right) / 2, 0), width - 1),
        Math.min(Math.max((box.top + box.bottom) / 2, 0), height - 1));
      return {
        text: row.textContent,
        inView: box.top >= 0 && box.bottom <= height && box.left >= 0 && box.right <= width,
        visible: row.checkVisibility({ opacityProperty: true, visibilityProperty: true }),
        onTop: middle !== null && row.contains(middle),
        top: box.top,
        bottom: box.bottom,
        viewportHeight: height,
      };
    }, index);
  }

  // Empties the field with key presses: select all, then Backspace.
  async clear() {
    await this.press('Control+A');
    await this.press('Backspace');
  }

  // Replaces the field's text without any key event, as pasting or cutting
  // with the mouse does.
  async insertWithoutKeys(text) {
    await this.evaluate('replace field text', (value) => {
      document.getElementById('_input').select();
      document.execCommand(value === '' ? 'delete' : 'insertText', false, value);
    }, text);
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

  // The whole page as a PNG file.
  screenshot(file) {
    return this.step('screenshot', () => this.tab.screenshot(file));
  }

  // The page printed to PDF on Letter paper, as a Buffer.
  pdf() {
    return this.step('print to PDF', () => this.tab.pdf(), 60_000);
  }

  async close() {
    await this.step('close tab', () => this.tab.close());
  }
}
