#!/usr/bin/python3
"""StoppedWriteTest.py BINARY: a run stopped by SIGTERM, then by SIGINT, SIGUSR1
and SIGALRM, while it writes its page over a slow share (TerminalProgressTest.py's
FUSE pass-through, every write slowed; it has no unnamed files, so the page
is written under a temporary name) ends by that signal, leaves the old
search.html byte for byte and no temporary page. Skipped (77), or failed when
CI=true, as TerminalProgressTest.py is."""

import os
import re
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import TerminalProgressTest as share  # noqa: E402

OLD_PAGE = b"<p>The last good page.</p>\n" * 1000


def make_tree(source):
    os.makedirs(source)
    for number in range(100):
        open(os.path.join(source, f"file {number}.txt"), "w").close()
    with open(os.path.join(source, "search.html"), "wb") as page:
        page.write(OLD_PAGE)


def temporary_sizes(source):
    sizes = []
    for name in os.listdir(source):
        if re.fullmatch(r"\.search\.html\.[0-9A-Za-z]{6}", name):
            try:
                sizes.append(os.path.getsize(os.path.join(source, name)))
            except OSError:
                pass  # removed meanwhile
    return sizes


def stop_while_writing(binary, source, mountpoint, number):
    run = subprocess.Popen([binary, mountpoint], stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL,
                           preexec_fn=lambda: signal.signal(number, signal.SIG_DFL))
    deadline = time.monotonic() + 60
    while not any(temporary_sizes(source)):  # until part of the page is written
        if run.poll() is not None or time.monotonic() > deadline:
            run.kill()
            return [f"{number.name}: no part written temporary page seen"]
        time.sleep(0.005)
    run.send_signal(number)
    failures = [] if run.wait(timeout=60) == -number else [f"{number.name}: ended {run.returncode}"]
    with open(os.path.join(source, "search.html"), "rb") as page:
        if page.read() != OLD_PAGE:
            failures.append(f"{number.name}: the old page changed")
    if temporary_sizes(source):
        failures.append(f"{number.name}: a temporary page was left")
    return failures


def main():
    reason = share.missing_prerequisite()
    if reason is not None:
        share.skip(reason)
    failures = []
    with share.slow_share(make_tree, write_delay=0.02) as (source, mountpoint):
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGUSR1, signal.SIGALRM):
            failures += stop_while_writing(os.path.abspath(sys.argv[1]), source, mountpoint, number)
    print("\n".join("FAILED: " + failure for failure in failures) or "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
