// A page stuck in a script: the step that waits on it fails in our own time,
// and the browser is ended with every process it started and its profile
// folder, in each engine.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { setTimeout as sleep } from 'node:timers/promises';
import { browserSuite } from './lib/harness.mjs';
import { emptyTree } from './lib/trees.mjs';
import { openPage } from './lib/page.mjs';
import { StepTimeout } from './lib/guard.mjs';

// The live processes of a process group, read from /proc: a process ended
// but not yet reaped by its parent (state Z) no longer counts.
function liveMembers(group) {
  const members = [];
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    let stat;
    try {
      stat = fs.readFileSync(`/proc/${entry}/stat`, 'latin1');
    } catch {
      continue;
    }
    // pid (command) state ppid pgrp ...; the command may hold spaces and ')'.
    const [state, , pgrp] = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    if (Number(pgrp) === group && state !== 'Z') members.push(Number(entry));
  }
  return members;
}

async function whenGone(group, ms) {
  const until = Date.now() + ms;
  while (liveMembers(group).length > 0 && Date.now() < until) await sleep(50);
  return liveMembers(group);
}

browserSuite('a page stuck in a script', (context) => {
  test('the step fails in time and leaves no process and no profile folder behind', async () => {
    const tree = emptyTree();
    try {
      const page = await openPage(context.browser, tree.write());
      const { pid, profile } = context.browser;
      assert.ok(liveMembers(pid).length > 0, 'the browser leads its own process group');
      assert.ok(profile !== null && fs.existsSync(profile), `the profile folder ${profile} exists`);

      await assert.rejects(page.evaluate('spin', () => {
        for (;;);
      }, undefined, 1500), StepTimeout);

      assert.deepEqual(await whenGone(pid, 5000), [], 'no process of the browser is left');
      assert.equal(fs.existsSync(profile), false, 'the profile folder is removed');
      await assert.rejects(page.fieldValue(), StepTimeout, 'later steps fail at once');
    } finally {
      tree.remove();
    }
  });
});
