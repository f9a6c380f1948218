// The fixture trees of the suite. Each call makes a fresh copy, so that a
// light and a dark page never list each other.
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
