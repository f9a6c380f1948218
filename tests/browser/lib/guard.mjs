// What every engine's Browser shares: each step that waits on the browser
// runs under a timer of ours, because a page stuck in a script handler stops
// the driver's own timeouts from firing. When a step overruns, the browser's
// whole process group is ended (the browser was started as its leader) and
// its temporary profile folder removed, so nothing is left behind.
import fs from 'node:fs';

export class StepTimeout extends Error {}

function timer(ms, onExpiry) {
  let handle;
  const expired = new Promise((_, reject) => {
    handle = setTimeout(() => reject(onExpiry()), ms);
  });
  return { expired, cancel: () => clearTimeout(handle) };
}

// The value that follows `flag` in a process's arguments, either as the next
// argument or joined as flag=value; null when it is not given.
export function argumentValue(args, flag) {
  for (let i = 0; i < args.length; i++) {
    if (args[i] === flag && i + 1 < args.length) return args[i + 1];
    if (args[i].startsWith(`${flag}=`)) return args[i].slice(flag.length + 1);
  }
  return null;
}

export class GuardedBrowser {
  #pid;
  #profile;
  #ended = false;

  // engine: the engine's name for messages; pid: the browser process, leader
  // of its own process group; profile: its temporary profile folder.
  constructor(engine, pid, profile) {
    this.engine = engine;
    this.#pid = pid;
    this.#profile = profile;
  }

  get pid() {
    return this.#pid;
  }

  get profile() {
    return this.#profile;
  }

  get ended() {
    return this.#ended;
  }

  // Runs action() and waits for it at most ms milliseconds; past that the
  // browser is ended and the step fails with a StepTimeout.
  async step(label, action, ms = 20_000) {
    if (this.#ended) throw new StepTimeout(`${label}: ${this.engine} was already ended`);
    const t = timer(ms, () => {
      this.kill();
      return new StepTimeout(`${label}: no answer within ${ms} ms, ${this.engine} (pid ${this.#pid}) ended`);
    });
    try {
      return await Promise.race([action(), t.expired]);
    } finally {
      t.cancel();
    }
  }

  // Ends the browser's whole process group and removes its profile folder.
  kill() {
    if (this.#ended) return;
    this.#ended = true;
    try {
      process.kill(-this.#pid, 'SIGKILL');
    } catch (error) {
      if (error.code !== 'ESRCH') throw error;
    }
    this.removeProfile();
  }

  removeProfile() {
    if (this.#profile) fs.rmSync(this.#profile, { recursive: true, force: true, maxRetries: 3 });
  }

  // Closes the browser through its driver, and ends it by force when that
  // does not finish in time. shutDown() is the driver's own close.
  async closeWith(shutDown) {
    if (this.#ended) return;
    try {
      await this.step('close', shutDown, 10_000);
      this.#ended = true;
      this.removeProfile();
    } catch {
      this.kill();
    }
  }
}
