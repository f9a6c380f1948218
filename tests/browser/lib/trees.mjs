// The fixture trees of the suite. Each call makes a fresh copy, so that a
// light and a dark page never list each other.
import fs from 'node:fs';
import path from 'node:path';
import { Tree } from './fixtures.mjs';

const KiB = 1024;

// Names a user's tree holds: capitals, '#', apostrophes, '&', '%', '?',
// spaces, UTF-8 letters, several depths, sizes with digits of their own, and
// names that only POSIX allows: '<', '>', '"', a backslash, a line break.
export const namedFiles = [
  ['README.md', 700],
  ['notes.md', 0],
  ['Backup kb list.txt', 2 * KiB],
  ['.hidden start.txt', 1],
  ['Docs/Report 2021.PDF', 5000],
  ['Docs/Tom & Jerry.avi', 12 * KiB],
  ['Docs/R&D plan.txt', 1025],
  ['Docs/&amp;.txt', 1],
  ["Music/Rock'n'Roll/Don't Stop.mp3", 120 * KiB + 1],
  ["Music/Rock'n'Roll/track12.ogg", 3000],
  ['Photos/2020/Summer Trip/Beach #1.JPG', 1500],
  ['Photos/Set #2/Café Menü.txt', KiB],
  ['Photos/Set #2/100% sure?.txt', 10],
  ['Photos/Set #2/%41 percent.txt', 10],
  ['Archive/Big Backup.bin', 5 * KiB * KiB * KiB],
  ['Archive/deep/er/and/deeper/Ünïcödé ÀÉ.TXT', KiB * KiB],
  ['Markup/<img src=x onerror=alert(1)>.txt', 0],
  ['Markup/say "hi" & <b>bye<\\b>.txt', 0],
  ['Markup/a>b<c.txt', 0],
  ['Markup/line\nbreak.txt', 0],
  ['<i> "q"/inner.txt', 0],
  ['.git/config', 10],
];

export function namesTree() {
  const tree = new Tree('names');
  for (const [name, size] of namedFiles) tree.file(name, size);
  return tree;
}

export function emptyTree() {
  return new Tree('empty').folder('Nothing/Here');
}

// Names in the Western European 8-bit code page only (0xE9 is e acute, 0xEF
// i diaeresis), as a Windows system would hand them over.
export function cp1252Tree() {
  return new Tree('cp1252')
    .file(Buffer.from('caf\xe9.txt', 'latin1'), 10)
    .file(Buffer.from('Na\xefve/r\xe9sum\xe9.doc', 'latin1'), 2000);
}

// UTF-8 and cp1252 names side by side, which POSIX trees can hold.
export function mixedTree() {
  return new Tree('mixed')
    .file('Café Menü.txt', 10)
    .file(Buffer.from('caf\xe9.txt', 'latin1'), 10);
}

// A listing a few hundred rows long, far taller than a window: `count` files
// spread over folders of 50.
export function longTree(count = 300) {
  const tree = new Tree('long');
  for (let i = 0; i < count; i++) {
    const number = String(i).padStart(4, '0');
    tree.file(`Folder ${number.slice(0, 2)}/Row ${number}.txt`, (i % 97) * 13);
  }
  return tree;
}

// Names that test how a page carries text: markup, entities, quotes, '#',
// '%', apostrophes, a tab, a line feed, a carriage return, control
// characters, entities spelt out, trailing blanks, two blanks, composed and
// decomposed UTF-8, capitals outside A to Z, a right-to-left override that
// would show an .exe as a .jpg, bytes that are not UTF-8, a long name without
// spaces, and folders with '#' and UTF-8 in their names.
// A path holds '/' between its parts, so '</script>' is a file in a folder.
export const hostileFiles = [
  ['README.md', 700],
  ['Backup kb list.txt', 2 * KiB],
  ['<b>bold<b>.txt', 1],
  ['</script>.txt', 1],
  ['x<script>alert(1)<\\script>.txt', 1],
  ['&amp;.txt', 1],
  ['Tom & Jerry.avi', 12 * KiB],
  ['say "hi" \'yo\'.txt', 1],
  ['Beach #1.JPG', 1500],
  ['%41 percent.txt', 10],
  ["Don't Stop.mp3", 3000],
  ['tab\there.txt', 1],
  ['line\nfeed.txt', 1],
  ['carriage\rreturn.txt', 1],
  ['control \x01\x1b\x7f.txt', 1],
  ['&#10;&lt;spelt.txt', 1],
  ['trailing blanks  ', 1],
  ['Café composed.txt', 1],
  ['Cafe\u0301 decomposed.txt', 1],
  ['Éa capital.txt', 1],
  ['Über.txt', 1],
  ['two  blanks.txt', 1],
  ['invoice\u202egpj.exe', 1],
  [Buffer.from('bad \xff\xfe bytes.txt', 'latin1'), 1],
  [Buffer.concat([Buffer.from('cut \xc3', 'latin1'), Buffer.from('.txt')]), 1],
  [`L${'o'.repeat(200)}ngName.txt`, 1],
  ['Set #2/Ünï/menü #1.txt', 1],
  ['Set #2/plain.txt', 5000],
  ['Größe %20/été.txt', 1],
  // Each character between pay and pal would show the name as paypal.txt.
  ...['\u200c', '\u200d', '\u034f', '\ufe0f', '\u180b', '\u17b4', '\u{1d173}', '\ufffc',
    '\u{e0041}\u{e0042}', '\u115f', '\u1160', '\u2800'].map((c) => [`pay${c}pal.txt`, 1]),
  // Joiners and a selector that their script needs: Persian, a Devanagari
  // conjunct, a family, an emoji presentation.
  ...['\u0645\u06cc\u200c\u062e\u0648\u0627\u0647\u0645', '\u0915\u094d\u200d\u0937',
    '\u{1f468}\u200d\u{1f469}\u200d\u{1f467}', '\u263a\ufe0f'].map((name) => [name, 1]),
  ['ΟΔΟΣ.txt', 1],
  ['οδος.txt', 1],
  ['nbsp\u00a0\u00a0\u00a0.exe', 1],
];

// Its root's name, and so the page title, holds characters that would not show.
export function hostileTree() {
  const tree = new Tree('hostile\u200d\u2800\u{e0041}');
  for (const [name, size] of hostileFiles) tree.file(name, size);
  return tree;
}

// A listing of `count` empty files, 1,000 to a folder: f000000.txt,
// f000001.txt, ... with every hundredth (number ending in 50) named g instead
// of f. Each row's text is its lower-cased name and "0 KB". The files of a
// folder are hard links to one empty file kept in a folder the walk leaves
// out, which makes them about fifteen times faster than as many new files.
export function bigTree(count) {
  const tree = new Tree('big');
  const sources = path.join(tree.root, '.sources');
  fs.mkdirSync(sources);
  for (let first = 0; first < count; first += 1000) {
    const folder = `d${String(first / 1000).padStart(3, '0')}`;
    const source = path.join(sources, folder);
    fs.writeFileSync(source, '');
    fs.mkdirSync(path.join(tree.root, folder));
    for (let number = first; number < Math.min(count, first + 1000); number++) {
      const name = `${number % 100 === 50 ? 'g' : 'f'}${String(number).padStart(6, '0')}.txt`;
      fs.linkSync(source, path.join(tree.root, folder, name));
    }
  }
  return tree;
}
