// Debian's Chromium, headless, under our own control: every step that waits
// on the browser runs under a timer of ours, because a page stuck in a script
// handler stops Playwright's own timeouts from firing. When a step overruns,
// the browser is ended by the id of the process we started.
import { chromium } from 'playwright-core';
import { chromiumPath } from './prerequisites.mjs';

const launchArgs = [
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
];

export class StepTimeout extends Error {}

function timer(ms, onExpiry) {
  let handle;
  const expired = new Promise((_, reject) => {
    handle = setTimeout(() => reject(onExpiry()), ms);
  });
  return { expired, cancel: () => clearTimeout(handle) };
}

export class Browser {
  #server;
  #pid;
  #ended = false;
  browser;

  static async start() {
    const server = await chromium.launchServer({
      executablePath: chromiumPath,
      headless: true,
      args: launchArgs,
      timeout: 30_000,
    });
    const self = new Browser(server);
    self.browser = await self.step('connect', () => chromium.connect(server.wsEndpoint()));
    return self;
  }

  constructor(server) {
    this.#server = server;
    this.#pid = server.process().pid;
  }

  get pid() {
    return this.#pid;
  }

  // Runs action() and waits for it at most ms milliseconds; past that the
  // browser is ended and the step fails with a StepTimeout.
  async step(label, action, ms = 20_000) {
    if (this.#ended) throw new StepTimeout(`${label}: Chromium was already ended`);
    const t = timer(ms, () => {
      this.kill();
      return new StepTimeout(`${label}: no answer within ${ms} ms, Chromium (pid ${this.#pid}) ended`);
    });
    try {
      return await Promise.race([action(), t.expired]);
    } finally {
      t.cancel();
    }
  }

  // Ends the browser's whole process group: it was started as its leader.
  kill() {
    if (this.#ended) return;
    this.#ended = true;
    try {
      process.kill(-this.#pid, 'SIGKILL');
    } catch (error) {
      if (error.code !== 'ESRCH') throw error;
    }
  }

  async close() {
    if (this.#ended) return;
    try {
      await this.step('close', async () => {
        await this.browser.close();
        await this.#server.close();
      }, 10_000);
      this.#ended = true;
    } catch {
      this.kill();
    }
  }
}
