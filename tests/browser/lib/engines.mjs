// The browser engines the suite runs in, each a Browser with the same
// methods (lib/guard.mjs and lib/chromium.mjs or lib/firefox.mjs): Debian's
// Chromium through playwright-core and Debian's Firefox ESR through
// puppeteer-core. A driver module is loaded only when its engine starts.
export const engines = [
  {
    name: 'chromium',
    executable: process.env.FINDLET_CHROMIUM || '/usr/bin/chromium',
    debianPackage: 'chromium',
    driver: 'playwright-core',
    load: () => import('./chromium.mjs'),
  },
  {
    name: 'firefox',
    executable: process.env.FINDLET_FIREFOX || '/usr/bin/firefox-esr',
    debianPackage: 'firefox-esr',
    driver: 'puppeteer-core',
    load: () => import('./firefox.mjs'),
  },
];

// options.javaScript: false starts a browser whose pages run no script.
export async function startBrowser(engine, options = {}) {
  const { Browser } = await engine.load();
  return Browser.start(engine.executable, options);
}
