// Reading a page in the large-listing form: the rows its script has drawn,
// its count line, the listing data as the program wrote it, and the pages of
// the page printed.
import assert from 'node:assert/strict';
import zlib from 'node:zlib';

// The rows drawn into the table body, the gaps left out, in page order: each
// with its markup (without the style attribute the table form's search sets
// on rows it hides and shows again, and the place among all rows that the
// large form tells a screen reader), text, resolved link, place in the
// viewport, background colour and whether it is what shows at its middle.
// Also the viewport's height, and the background colour the page's style
// sheet gives the striped rows.
export function drawnRows(page) {
  return page.evaluate('read drawn rows', () => {
    const height = document.documentElement.clientHeight;
    const width = document.documentElement.clientWidth;
    const rows = [...document.getElementById('fTable').rows].filter((row) => !row.classList.contains('fGap'));
    let stripe = null;
    for (const sheet of document.styleSheets) {
      for (const rule of sheet.cssRules) {
        if (/^\.table-striped > tbody > tr:nth-of-type\((odd|2n\+1)\)$/.test(rule.selectorText)) stripe = rule.style.backgroundColor;
      }
    }
    return {
      viewportHeight: height,
      stripe,
      rows: rows.map((row) => {
        const copy = row.cloneNode(true);
        copy.removeAttribute('style');
        copy.removeAttribute('aria-rowindex');
        const link = row.querySelector('a');
        const box = row.getBoundingClientRect();
        const middle = document.elementFromPoint(
          Math.min(Math.max((box.left + box.right) / 2, 0), width - 1),
          Math.min(Math.max((box.top + box.bottom) / 2, 0), height - 1));
        return {
          html: copy.outerHTML,
          text: row.textContent,
          href: link ? link.href : null,
          top: box.top,
          bottom: box.bottom,
          inView: box.top >= 0 && box.bottom <= height,
          onTop: middle !== null && row.contains(middle),
          background: getComputedStyle(row).backgroundColor,
        };
      }),
    };
  });
}

// The rows of the table form that the search leaves visible, read the way
// drawnRows reads them.
export function visibleTableRows(page) {
  return page.evaluate('read visible rows', () =>
    [...document.getElementById('fTable').rows].filter((row) => row.checkVisibility()).map((row) => {
      const copy = row.cloneNode(true);
      copy.removeAttribute('style');
      const link = row.querySelector('a');
      return { html: copy.outerHTML, text: row.textContent, href: link ? link.href : null };
    }));
}

export function countLine(page) {
  return page.evaluate('read count line', () => document.getElementById('fCount')?.textContent ?? null);
}

// What the count line says of `matches` matching rows out of `rows`, once the
// page has loaded (loading: while it still loads).
export function countText(matches, rows, query, { loading = false } = {}) {
  const number = (n) => n.toLocaleString('en-US');
  const text = query === '' ? `${number(rows)} ${rows === 1 ? 'file' : 'files'}` :
    `${number(matches)} of ${number(rows)} files match`;
  return loading ? `${text} so far, still loading...` : text;
}

const dataOpen = '<script type="text/plain">';
const dataClose = '</script>';
const entities = { '&lt;': '<', '&gt;': '>', '&amp;': '&', '&#10;': '\n', '&#13;': '\r' };

// The data elements of a large page (its bytes), as the program wrote them:
// for each, where its text begins and ends in the page (byte offsets) and the
// row texts (link text, then size text) of the files it lists, in order. A
// record is NAME ">" TEXT ">" KIB, TEXT left empty where it is NAME lower-cased;
// folder records begin with ">".
export function dataElements(pageBytes) {
  const page = pageBytes.toString('latin1');
  const elements = [];
  for (let at = page.indexOf(dataOpen); at >= 0; at = page.indexOf(dataOpen, at)) {
    const start = at + dataOpen.length;
    const end = page.indexOf(dataClose, start);
    const rows = [];
    for (const record of Buffer.from(page.slice(start, end), 'latin1').toString('utf8').split('\n')) {
      if (record === '' || record.startsWith('>')) continue;
      const [name, text, kib] = record.split('>');
      const shown = text === '' ? name.toLowerCase() : text.replace(/&(lt|gt|amp|#10|#13);/g, (e) => entities[e]);
      rows.push(`${shown}${kib} KB`);
    }
    elements.push({ start, end, rows });
    at = end;
  }
  return elements;
}

// How many pages a PDF file holds: its page objects, counted in its plain
// text and in every compressed stream (object streams hold them compressed).
export function pdfPageCount(pdf) {
  const text = pdf.toString('latin1');
  const parts = [text];
  const streamStart = /(?<!end)stream\r?\n/g;
  for (let found = streamStart.exec(text); found !== null; found = streamStart.exec(text)) {
    const start = found.index + found[0].length;
    const end = text.indexOf('endstream', start);
    if (end < 0) break;
    try {
      parts.push(zlib.inflateSync(pdf.subarray(start, end), { finishFlush: zlib.constants.Z_SYNC_FLUSH }).toString('latin1'));
    } catch {
      // Not a compressed stream.
    }
    streamStart.lastIndex = end;
  }
  return parts.join('\n').match(/\/Type\s*\/Page(?![A-Za-z])/g)?.length ?? 0;
}

// No console error, no page error, and no request but the page's own
// address and data: addresses (the logo). Firefox reports no reads of file
// addresses, so there only the rest is seen. A page from a web server makes
// the browser itself ask that server for /favicon.ico, which the page has no
// part in: that request is left out.
export function assertQuiet(browser, page, url) {
  assert.deepEqual(page.seen.consoleErrors, []);
  assert.deepEqual(page.seen.pageErrors, []);
  assert.deepEqual(page.seen.failedRequests, []);
  if (browser.reportsFileRequests || !url.startsWith('file:')) assert.ok(page.seen.requests.includes(url), `${url} was seen`);
  const browsersOwn = url.startsWith('http:') ? new URL('/favicon.ico', url).href : null;
  const others = page.seen.requests.filter((seen) => seen !== url && seen !== browsersOwn && !seen.startsWith('data:'));
  assert.deepEqual(others, []);
}
