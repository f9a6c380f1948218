// Debian's Chromium, headless, driven by playwright-core under our own step
// timers (lib/guard.mjs).
import { chromium } from 'playwright-core';
import { GuardedBrowser, argumentValue } from './guard.mjs';
import { Tab } from './tab.mjs';

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
  // scripts; args: Chromium switches beyond the common ones.
  static async start(executablePath, { javaScript = true, args = [] } = {}) {
    const server = await chromium.launchServer({
      executablePath,
      headless: true,
      args: [...launchArgs, ...args],
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
