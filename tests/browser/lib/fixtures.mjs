// Real folder trees in the system's temporary folder, the real findlet binary
// run over them, and what the tree holds, read back from the file system with
// names as raw bytes.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { spawnSync } from 'node:child_process';
import { findletBinary } from './prerequisites.mjs';

const slash = Buffer.from('/');

// A path given as text (UTF-8) or as raw bytes, with '/' between its parts.
function bytes(relative) {
  return Buffer.isBuffer(relative) ? relative : Buffer.from(relative, 'utf8');
}

export class Tree {
  constructor(label = 'tree') {
    this.root = fs.mkdtempSync(path.join(os.tmpdir(), `findlet-browser-${label}-`));
    this.rootBytes = Buffer.from(this.root);
  }

  // The absolute path of a relative one, as bytes.
  path(relative) {
    return Buffer.concat([this.rootBytes, slash, bytes(relative)]);
  }

  folder(relative) {
    fs.mkdirSync(this.path(relative), { recursive: true });
    return this;
  }

  // A file of the given size; past 1 MiB it is made sparse.
  file(relative, size = 0) {
    const full = this.path(relative);
    const cut = full.lastIndexOf(slash);
    fs.mkdirSync(full.subarray(0, cut), { recursive: true });
    if (size > 1 << 20) {
      fs.writeFileSync(full, '');
      fs.truncateSync(full, size);
    } else {
      fs.writeFileSync(full, Buffer.alloc(size, 'x'));
    }
    return this;
  }

  // Runs findlet over the root and returns the path of the page it wrote.
  // large: the page is written in the large-listing form however few files
  // the tree holds (the program's test setting of its threshold).
  write({ dark = false, large = false } = {}) {
    const args = [this.root, ...(dark ? ['--dark'] : [])];
    const env = { ...process.env };
    delete env.FINDLET_TEST_LARGE_LISTING_THRESHOLD;
    if (large) env.FINDLET_TEST_LARGE_LISTING_THRESHOLD = '0';
    const run = spawnSync(findletBinary(), args, { encoding: 'latin1', timeout: 600_000, env });
    if (run.error) throw run.error;
    if (run.status !== 0 || !run.stdout.includes('Output filepath: ')) {
      throw new Error(`findlet ${args.join(' ')} ended with ${run.status}:\n${run.stdout}${run.stderr}`);
    }
    return path.join(this.root, 'search.html');
  }

  // Writes several pages of the same tree into its root, each under its own
  // name: pages = { name: options of write() }. Each is written before any
  // other is put in place, so none lists another, and all of them link from
  // the same folder. Returns { name: path }.
  writePages(pages) {
    const hold = fs.mkdtempSync(`${this.root}-pages-`);
    try {
      for (const [name, options] of Object.entries(pages)) fs.renameSync(this.write(options), path.join(hold, name));
      const written = {};
      for (const name of Object.keys(pages)) {
        written[name] = path.join(this.root, name);
        fs.renameSync(path.join(hold, name), written[name]);
      }
      return written;
    } finally {
      fs.rmSync(hold, { recursive: true, force: true });
    }
  }

  // Every file the page should list, walked like findlet walks: folders whose
  // name begins with '.' are left out, everything else is entered.
  files() {
    const found = [];
    const walk = (relative) => {
      const folder = relative.length ? this.path(relative) : this.rootBytes;
      for (const entry of fs.readdirSync(folder, { withFileTypes: true, encoding: 'buffer' })) {
        const name = Buffer.from(entry.name);
        const child = relative.length ? Buffer.concat([relative, slash, name]) : name;
        if (entry.isDirectory()) {
          if (name[0] !== 0x2e) walk(child);
        } else if (entry.isFile()) {
          const size = fs.statSync(this.path(child)).size;
          found.push({ relative: child, name, size, kib: Math.ceil(size / 1024) });
        }
      }
    };
    walk(Buffer.alloc(0));
    return found;
  }

  remove() {
    fs.rmSync(this.root, { recursive: true, force: true });
  }
}

// Text as a link text shows it: each control character, tab and line breaks
// included, as the mark of its code point.
export function marked(text) {
  return text.replace(/[\x00-\x1f\x7f]/g, (c) => `\u27e6U+${c.charCodeAt(0).toString(16).toUpperCase().padStart(4, '0')}\u27e7`);
}

// A name with only A to Z lower-cased, every other byte kept.
export function lowerAscii(name) {
  return Buffer.from(name.map((b) => (b >= 0x41 && b <= 0x5a ? b + 0x20 : b)));
}
