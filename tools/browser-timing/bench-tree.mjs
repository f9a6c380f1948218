// The benchmark's reproducible trees (tools/BenchTree.cpp), made once and
// kept in the same folder and with the same stamp as tools/benchmark.sh
// keeps them, so that both tools reuse each other's trees.
import fs from 'node:fs';
import path from 'node:path';
import { execFileSync } from 'node:child_process';
import { repoRoot } from './chromium.mjs';

const source = path.join(repoRoot, 'tools', 'BenchTree.cpp');

// Builds the generator into DIR/bin when it is missing or older than its source.
function generator(dir) {
  const binary = path.join(dir, 'bin', 'BenchTree');
  if (!fs.existsSync(binary) || fs.statSync(source).mtimeMs > fs.statSync(binary).mtimeMs) {
    fs.mkdirSync(path.dirname(binary), { recursive: true });
    execFileSync(process.env.CXX || 'c++',
      ['-std=c++20', '-O2', '-Wall', '-Wextra', '-Wpedantic', '-Werror', '-o', binary, source], { stdio: 'inherit' });
  }
  return binary;
}

// The root of the tree SHAPE-FILES in DIR, generated when it does not exist.
// A tree made with another seed or generator is not removed (it may be in use
// by other measurements): the run stops and says so.
export function ensureTree(dir, shape, files, seed) {
  const root = path.join(dir, `${shape}-${files}`);
  const ready = `${root}.ready`;
  const checksum = execFileSync('cksum', { input: fs.readFileSync(source), encoding: 'utf8' }).split(' ')[0];
  const stamp = `seed=${seed} generator=${checksum}`;
  if (fs.existsSync(root)) {
    const found = fs.existsSync(ready) ? fs.readFileSync(ready, 'utf8').trim() : '(no stamp)';
    if (found !== stamp) {
      throw new Error(`${root} was made with ${found}, not ${stamp}; remove it (and ${ready}) to have it made again`);
    }
    return root;
  }
  const started = Date.now();
  execFileSync(generator(dir), [shape, String(files), String(seed), root], { stdio: 'inherit' });
  fs.writeFileSync(ready, `${stamp}\n`);
  console.error(`generated ${shape} tree of ${files} files in ${((Date.now() - started) / 1000).toFixed(1)} s`);
  return root;
}
