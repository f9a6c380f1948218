// One page in a browser, with the few operations the suite uses, the same
// for every engine. Playwright's and Puppeteer's pages agree on most of
// them; an engine's own subclass gives what differs.
export class Tab {
  constructor(context, page, viewport) {
    this.context = context;
    this.page = page;
    this.viewport = viewport;
  }

  goto(url) {
    return this.page.goto(url, { waitUntil: 'load' });
  }

  evaluate(fn, arg) {
    return this.page.evaluate(fn, arg);
  }

  focus(selector) {
    return this.page.focus(selector);
  }

  type(text) {
    return this.page.keyboard.type(text);
  }

  // A key or a chord such as 'Control+A'.
  press(key) {
    return this.page.keyboard.press(key);
  }

  // One turn of the mouse wheel over the middle of the page.
  async wheel(deltaY) {
    await this.page.mouse.move(this.viewport.width / 2, this.viewport.height / 2);
    await this.page.mouse.wheel(0, deltaY);
  }

  screenshot(file) {
    return this.page.screenshot({ path: file, fullPage: true });
  }

  // The page printed to PDF on Letter paper, as a Buffer.
  pdf() {
    return this.page.pdf({ format: 'Letter' });
  }

  close() {
    return this.context.close();
  }
}
