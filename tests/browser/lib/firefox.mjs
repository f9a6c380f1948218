// Debian's Firefox ESR, headless, driven by puppeteer-core over WebDriver BiDi
// under our own step timers (lib/guard.mjs).
import puppeteer from 'puppeteer-core';
import { GuardedBrowser, argumentValue } from './guard.mjs';
import { Tab } from './tab.mjs';

// Remarks Firefox makes about the document itself, which reach the driver
// the way a script's uncaught error does. The page declares a character set
// no browser knows, on purpose, so Firefox says that it ignored it; a UTF-8
// page that lists names holding other bytes (names are bytes, never
// re-encoded) makes Firefox say that the bytes do not fit the declared
// encoding. Chromium says neither. These are kept apart from the page's errors.
const documentRemarks = [
  /^An unsupported character encoding was declared for the HTML document using a meta tag\. The declaration was ignored\.$/,
  /^The byte stream was erroneous according to the character encoding that was declared\. The character encoding declaration may be incorrect\.$/,
];

export class Browser extends GuardedBrowser {
  #browser;

  // javaScript: false turns scripts off for the whole browser: Firefox ESR
  // has no WebDriver BiDi command that does so for one page.
  static async start(executablePath, { javaScript = true } = {}) {
    const browser = await puppeteer.launch({
      browser: 'firefox',
      executablePath,
      headless: true,
      timeout: 30_000,
      defaultViewport: null,
      extraPrefsFirefox: javaScript ? {} : { 'javascript.enabled': false },
    });
    return new Browser(browser);
  }

  constructor(browser) {
    const child = browser.process();
    // puppeteer gives Firefox a fresh temporary profile of its own.
    super('Firefox', child.pid, argumentValue(child.spawnargs, '--profile'));
    this.#browser = browser;
  }

  version() {
    return this.#browser.version();
  }

  // Over WebDriver BiDi Firefox reports network and data: requests, but no
  // reads of file addresses, neither the page itself nor files beside it.
  get reportsFileRequests() {
    return false;
  }

  // A page in a fresh browser context of its own, with what it says and asks
  // for recorded in `seen`.
  async newTab({ viewport, initScript, seen }) {
    const context = await this.#browser.createBrowserContext();
    const page = await context.newPage();
    page.on('console', (message) => {
      if (message.type() === 'error') seen.consoleErrors.push(message.text());
    });
    page.on('pageerror', (error) => {
      if (documentRemarks.some((remark) => remark.test(error.message))) seen.documentRemarks.push(error.message);
      else seen.pageErrors.push(String(error));
    });
    page.on('request', (request) => seen.requests.push(request.url()));
    page.on('requestfailed', (request) => seen.failedRequests.push(request.url()));
    await page.setViewport(viewport);
    await page.evaluateOnNewDocument(initScript);
    return new FirefoxTab(context, page, viewport);
  }

  close() {
    return this.closeWith(() => this.#browser.close());
  }
}

const modifiers = new Set(['Alt', 'Control', 'Meta', 'Shift']);

// Puppeteer's own forms of a chord and of a wheel turn.
class FirefoxTab extends Tab {
  // A key or a chord such as 'Control+A', written as Playwright writes them:
  // the modifiers are held down while the last key is pressed.
  async press(chord) {
    const keys = chord.split('+');
    const key = keys.pop();
    if (!keys.every((modifier) => modifiers.has(modifier))) throw new Error(`not a key chord: ${chord}`);
    // A capital letter is its own key to puppeteer; under Control it is the
    // letter's key, as for a person pressing Control and A.
    const letter = keys.length > 0 && !keys.includes('Shift') && /^[A-Z]$/.test(key) ? key.toLowerCase() : key;
    const keyboard = this.page.keyboard;
    for (const modifier of keys) await keyboard.down(modifier);
    try {
      await keyboard.press(letter);
    } finally {
      for (const modifier of keys.reverse()) await keyboard.up(modifier);
    }
  }

  // One turn of the mouse wheel over the middle of the page.
  async wheel(deltaY) {
    await this.page.mouse.move(this.viewport.width / 2, this.viewport.height / 2);
    await this.page.mouse.wheel({ deltaY });
  }

  // The page printed to PDF on Letter paper, as a Buffer. The paper is named:
  // puppeteer's default size reaches Firefox in the wrong unit (a page 8.5 by
  // 11 cm).
  async pdf() {
    return Buffer.from(await this.page.pdf({ format: 'letter' }));
  }
}
