// Debian's Chromium, headless, launched by the timing script itself through
// the browser suite's installed playwright-core. Every step that waits on the
// browser runs under a timer of ours, because a page stuck in a script handler
// stops Playwright's own timeouts from firing; when a step overruns, the
// browser is ended by the id of the process started here.
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const repoRoot = path.resolve(here, '..', '..');
const suiteFolder = path.join(repoRoot, 'tests', 'browser');
export const chromiumPath = process.env.FINDLET_CHROMIUM || '/usr/bin/chromium';

export function findletBinary() {
  return path.resolve(repoRoot, process.env.FINDLET_BINARY || 'build/default/findlet');
}

function executable(file) {
  try {
    fs.accessSync(file, fs.constants.X_OK);
    return true;
  } catch {
    return false;
  }
}

// What is missing to run, as a sentence, or null.
export function missingPiece() {
  if (!executable(chromiumPath)) return `chromium not found at ${chromiumPath}`;
  if (!fs.existsSync(path.join(suiteFolder, 'node_modules', 'playwright-core', 'package.json'))) {
    return `playwright-core not installed in ${path.join(suiteFolder, 'node_modules')} (tools/browser-setup.sh installs it)`;
  }
  if (!executable(findletBinary())) return `findlet binary not found at ${findletBinary()} (set FINDLET_BINARY)`;
  return null;
}

const launchArgs = [
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
];

export class StepTimeout extends Error {}

export class Browser {
  #server;
  #pid;
  #ended = false;
  browser;

  // extraArgs: Chromium switches beyond the common ones.
  static async start(extraArgs = []) {
    const { chromium } = createRequire(path.join(suiteFolder, 'package.json'))('playwright-core');
    const server = await chromium.launchServer({
      executablePath: chromiumPath,
      headless: true,
      args: [...launchArgs, ...extraArgs],
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

  // The browser process (Debian's wrapper script execs it, so the id stays).
  get pid() {
    return this.#pid;
  }

  // Runs action() and waits for it at most ms milliseconds; past that the
  // browser is ended and the step fails with a StepTimeout.
  async step(label, action, ms = 20_000) {
    if (this.#ended) throw new StepTimeout(`${label}: Chromium was already ended`);
    let handle;
    const expired = new Promise((_, reject) => {
      handle = setTimeout(() => {
        this.kill();
        reject(new StepTimeout(`${label}: no answer within ${ms} ms, Chromium (pid ${this.#pid}) ended`));
      }, ms);
    });
    try {
      return await Promise.race([action(), expired]);
    } finally {
      clearTimeout(handle);
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
