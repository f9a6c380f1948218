#!/usr/bin/python3
"""LatfsShareTest.py BINARY LATFS: a small tree scanned through latfs (a FUSE
pass-through that waits in every request and serves many at once, in the
regime that gives attributes with the listing and the one that does not),
with the walk's threads started at once, gives the same page (the date
masked) and console as the tree scanned on its own disk. Both runs give the
relative argument "share", from the tree's own folder and from the mount's.
Skipped (77), or failed when CI=true, as TerminalProgressTest.py is."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import TerminalProgressTest as share  # noqa: E402

REGIMES = {"attributes with the listing": ["2000", "1000", "1"],
           "a request per stat": ["1000", "1000", "0"]}


def make_tree(root):
    for artist in range(6):
        for album in range(3):
            folder = os.path.join(root, f"Artist {artist}", f"Album #{album} & Ünïcödé")
            os.makedirs(folder)
            for track in range(12):
                with open(os.path.join(folder, f"{track:02} Track's Title.flac"), "wb") as f:
                    f.truncate(track * 1500)
    os.makedirs(os.path.join(root, "Large"))
    for number in range(3000):
        open(os.path.join(root, "Large", f"file {number}.txt"), "w").close()


def scan(binary, folder):
    """The console and the page (its date masked) of a run in folder."""
    done = subprocess.run([binary, "share"], cwd=folder, capture_output=True, timeout=120,
                          env=dict(os.environ, FINDLET_TEST_THREADS_AFTER_MICROSECONDS="0"))
    page_path = os.path.join(folder, "share", "search.html")
    with open(page_path, "rb") as page:
        text = re.sub(rb"Auto generated <i>\([^)]*\)", b"Auto generated <i>(DATE)", page.read())
    os.remove(page_path)
    return done.returncode, done.stdout, done.stderr, text


def main():
    binary, latfs = (os.path.abspath(path) for path in sys.argv[1:3])
    reason = share.missing_prerequisite()
    if reason is None and not os.access(latfs, os.X_OK):
        reason = f"latfs was not built ({latfs}): it needs libfuse3-dev and pkg-config"
    if reason is not None:
        share.skip(reason)
    work = tempfile.mkdtemp(prefix="findlet-latfs-")
    local, remote = os.path.join(work, "local"), os.path.join(work, "remote")
    os.makedirs(os.path.join(remote, "share"))
    make_tree(os.path.join(local, "share"))
    failures = []
    try:
        expected = scan(binary, local)
        for regime, timing in REGIMES.items():
            server = subprocess.Popen([latfs, os.path.join(local, "share"),
                                       os.path.join(remote, "share")] + timing,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            deadline = time.monotonic() + 15
            while not os.path.ismount(os.path.join(remote, "share")):
                if server.poll() is not None or time.monotonic() > deadline:
                    share.skip(f"latfs did not mount ({regime})")
                time.sleep(0.05)
            try:
                if scan(binary, remote) != expected:
                    failures.append(f"{regime}: page or console differs from the local run's")
            finally:
                subprocess.run(["fusermount3", "-u", os.path.join(remote, "share")], check=False)
                server.wait(timeout=10)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("\n".join("FAILED: " + failure for failure in failures) or "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
