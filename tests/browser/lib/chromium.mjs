// Debian's Chromium, headless, driven by playwright-core under our own step
// timers (lib/guard.mjs).
import { chromium } from 'playwright-core';
import { GuardedBrowser, argumentValue } from './guard.mjs';

const launchArgs = [
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
];

export class Browser extends GuardedBrowser {
  #server;
  #browser;
  #javaScript = true;

  // javaScript: false gives every page of this browser a context without
  // scripts.
  static async start(executablePath, { javaScript = true } = {}) {
    const server = await chromium.launchServer({
      executablePath,
      headless: true,
      args: launchArgs,
      timeout: 30_000,
    });
    const self = new Browser(server);
    self.#javaScript = javaScript;
    self.#browser = await self.step('connect', () => chromium.connect(server.wsEndpoint()));
    return self;
  }

  constructor(server) {
    const child = server.process();
    // Playwright gives Chromium a fresh temporary profile of its own.
    super('Chromium', child.pid, argumentValue(child.spawnargs, '--user-data-dir'));
    this.#server = server;
  }

  // Playwright's own Browser, for tools that need Chromium's own features
  // (tracing).
  get driver() {
    return this.#browser;
  }

  async version() {
    return `chromium/${this.#browser.version()}`;
  }

  // Reads of file addresses (the page itself, files beside it) are reported
  // as requests; data: addresses are not.
  get reportsFileRequests() {
    return true;
  }

  // A page in a fresh browser context of its own, with what it says and asks
  // for recorded in `seen`.
  async newTab({ viewport, initScript, seen }) {
    const context = await this.#browser.newContext({ viewport, javaScriptEnabled: this.#javaScript });
    const page = await context.newPage();
    page.on('console', (message) => {
      if (message.type() === 'error') seen.consoleErrors.push(message.text());
    });
    page.on('pageerror', (error) => seen.pageErrors.push(String(error)));
    page.on('request', (request) => seen.requests.push(request.url()));
    page.on('requestfailed', (request) => seen.failedRequests.push(request.url()));
    await page.addInitScript(initScript);
    return new Tab(context, page, viewport);
  }

  close() {
    return this.closeWith(async () => {
      await this.#browser.close();
      await this.#server.close();
    });
  }
}

class Tab {
  #context;
  #page;
  #viewport;

  constructor(context, page, viewport) {
    this.#context = context;
    this.#page = page;
    this.#viewport = viewport;
  }

  goto(url) {
    return this.#page.goto(url, { waitUntil: 'load' });
  }

  evaluate(fn, arg) {
    return this.#page.evaluate(fn, arg);
  }

  focus(selector) {
    return this.#page.focus(selector);
  }

  type(text) {
    return this.#page.keyboard.type(text);
  }

  // A key or a chord such as 'Control+A'.
  press(key) {
    return this.#page.keyboard.press(key);
  }

  // One turn of the mouse wheel over the middle of the page.
  async wheel(deltaY) {
    await this.#page.mouse.move(this.#viewport.width / 2, this.#viewport.height / 2);
    await this.#page.mouse.wheel(0, deltaY);
  }

  screenshot(file) {
    return this.#page.screenshot({ path: file, fullPage: true });
  }

  // The page printed to PDF on Letter paper, as a Buffer.
  pdf() {
    return this.#page.pdf({ format: 'Letter' });
  }

  close() {
    return this.#context.close();
  }
}
