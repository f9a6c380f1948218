#!/usr/bin/python3
"""The progress line end to end: the built tool on a share slow enough that the
walk takes a few seconds, once with its output on a pseudo-terminal and once
through a pipe.

  TerminalProgressTest.py BINARY

The slow share is a pass-through FUSE file system of a tree made here, which
sleeps in every call (python3-fusepy; mounting needs root). The pseudo-terminal
comes from `script -qec COMMAND /dev/null` (util-linux), 60 columns wide. It
checks:
  - through the pipe, the bytes are exactly the console a run writes without
    a progress line;
  - on the terminal, the bytes are those same bytes (with the terminal's CR LF
    line ends) and one run of progress lines between the path line and the
    extension report, rewritten, each at most 59 bytes and whole UTF-8;
  - the screen those bytes leave, with carriage returns applied, is the screen
    of the pipe's bytes.

Exits 77 (skipped) with the reason when root, /dev/fuse, fusepy or script is
missing, and 1 instead when CI=true. The mount is removed however the test
ends; the file system also unmounts itself when this script dies.
"""

import contextlib
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import threading
import time

DELAY_SECONDS = 0.0005  # per file system call
COLUMNS = 60
SKIPPED = 77


def serve(source, mountpoint, parent, write_delay):
    """Mounts source at mountpoint, slowed down, until unmounted or the test
    process (parent) is gone. Each write waits write_delay seconds."""
    import fusepy

    def real(path):
        return os.path.join(source, path.lstrip("/"))

    class SlowPassThrough(fusepy.Operations):
        def getattr(self, path, fh=None):
            time.sleep(DELAY_SECONDS)
            try:
                info = os.lstat(real(path))
            except OSError as error:
                raise fusepy.FuseOSError(error.errno)
            keys = ("st_mode", "st_nlink", "st_size", "st_uid", "st_gid", "st_atime",
                    "st_mtime", "st_ctime")
            return {key: getattr(info, key) for key in keys}

        def readdir(self, path, fh):
            time.sleep(DELAY_SECONDS)
            return [".", ".."] + os.listdir(real(path))

        def readlink(self, path):
            return os.readlink(real(path))

        # Just enough writing for the tool to write its page.
        def create(self, path, mode, fi=None):
            return os.open(real(path), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)

        def open(self, path, flags):
            return os.open(real(path), flags & ~(os.O_CREAT | os.O_EXCL | os.O_NONBLOCK))

        def write(self, path, data, offset, fh):
            time.sleep(write_delay)
            return os.pwrite(fh, data, offset)

        def truncate(self, path, length, fh=None):
            os.truncate(real(path), length)

        def release(self, path, fh):
            os.close(fh)

        def chmod(self, path, mode):
            os.chmod(real(path), mode)

        def rename(self, old, new):
            os.rename(real(old), real(new))

        def unlink(self, path):
            os.unlink(real(path))

    def watch():
        # Unmounts when the test process is gone, whatever ended it, even
        # before the mount is complete.
        while os.getppid() == parent:
            time.sleep(0.2)
        while subprocess.run(["umount", "-l", mountpoint], stderr=subprocess.DEVNULL,
                             check=False).returncode != 0:
            time.sleep(0.2)

    threading.Thread(target=watch, daemon=True).start()
    fusepy.FUSE(SlowPassThrough(), mountpoint, foreground=True, attr_timeout=0,
                entry_timeout=0)
    if os.getppid() != parent and not os.path.ismount(mountpoint):
        # The test died without removing its folder.
        shutil.rmtree(os.path.dirname(mountpoint), ignore_errors=True)


def skip(reason):
    if os.environ.get("CI") == "true":
        print(f"FAILED: {reason} (CI=true: this case must run)")
        sys.exit(1)
    print(f"SKIPPED: {reason}")
    sys.exit(SKIPPED)


def missing_prerequisite():
    if not sys.platform.startswith("linux"):
        return "FUSE pass-through runs on Linux only"
    if os.geteuid() != 0:
        return "mounting the slow FUSE file system needs root"
    if not os.path.exists("/dev/fuse"):
        return "no /dev/fuse on this machine"
    try:
        import fusepy  # noqa: F401  (also loads libfuse2)
    except (ImportError, OSError) as error:
        return f"python3-fusepy or libfuse2 missing ({error})"
    for tool in ("script", "umount"):
        if shutil.which(tool) is None:
            return f"{tool} missing (util-linux)"
    return None


def make_tree(root):
    """1,600 files in 42 folders, the root included, some with long and UTF-8 names, so that
    folders are shortened on a 60-column line."""
    for artist in range(8):
        for album in range(4):
            folder = os.path.join(root, "Música", f"Artist {artist:02}",
                                  f"Álbum {album} – the long edition of artist {artist:02}")
            os.makedirs(folder)
            for track in range(45):
                open(os.path.join(folder, f"track {track:02}.mp3"), "w").close()
    for note in range(160):
        open(os.path.join(root, f"note {note}.txt"), "w").close()


def expected_console(mountpoint):
    return ("Findlet 1.2 - Findlet is a web search page generator with your files\n\n"
            f"Path to scan: {mountpoint}\n\n"
            "File extensions exported: .mp3 .txt \n\n"
            f"Output filepath: {mountpoint}\\search.html\n\n").encode()


def screen(data):
    """The rows a terminal shows after data: CR returns to column 0, LF goes
    to the next row, other bytes overwrite. Trailing blanks of a row cannot be
    told from empty cells, so they are dropped."""
    rows = [bytearray()]
    column = 0
    for byte in data:
        if byte == 0x0D:
            column = 0
        elif byte == 0x0A:
            rows.append(bytearray())
            column = 0
        else:
            row = rows[-1]
            row.extend(b" " * max(0, column + 1 - len(row)))
            row[column] = byte
            column += 1
    return [bytes(row).rstrip(b" ") for row in rows]


def check_progress(progress, failures):
    """The run of progress bytes: rewritten lines that fit the width, whole
    UTF-8, and the blanking of the last one at the end."""
    match = re.fullmatch(rb"((?:\r[^\r\n]*)+)\r( *)\r", progress)
    if match is None:
        failures.append(f"progress bytes are not lines and a blanking: {progress!r}")
        return
    lines = match.group(1).split(b"\r")[1:]
    if len(lines) < 2:
        failures.append(f"the line was written {len(lines)} times, not rewritten: {lines!r}")
    if len(match.group(2)) != len(lines[-1]):
        failures.append("the blanking does not cover the last line exactly")
    pattern = re.compile(rb"Scanning: [0-9,]+ files? in [0-9,]+ folders? - \.(\\|\.\.\.)?.* *")
    for line in lines:
        if len(line) > COLUMNS - 1 or not pattern.fullmatch(line):
            failures.append(f"not a progress line of at most {COLUMNS - 1} bytes: {line!r}")
        try:
            line.decode("utf-8")
        except UnicodeDecodeError:
            failures.append(f"line cuts a UTF-8 character: {line!r}")


@contextlib.contextmanager
def slow_share(make, write_delay=0.0):
    """A tree made by make(source), served slowed down at a mount point while
    the block runs: yields (source, mountpoint)."""
    work = tempfile.mkdtemp(prefix="findlet-share-")
    source = os.path.join(work, "source")
    mountpoint = os.path.join(work, "share")
    os.makedirs(mountpoint)
    make(source)
    log = open(os.path.join(work, "fuse.log"), "w")
    server = subprocess.Popen(
        [sys.executable, os.path.abspath(__file__), "--serve", source, mountpoint,
         str(os.getpid()), str(write_delay)], stdin=subprocess.DEVNULL, stdout=log, stderr=log)
    try:
        deadline = time.monotonic() + 15
        while not os.path.ismount(mountpoint):
            if server.poll() is not None or time.monotonic() > deadline:
                log.flush()
                raise RuntimeError("the FUSE file system did not mount:\n" + open(log.name).read())
            time.sleep(0.05)
        yield source, mountpoint
    finally:
        if os.path.ismount(mountpoint):
            if subprocess.run(["umount", mountpoint], check=False).returncode != 0:
                subprocess.run(["umount", "-l", mountpoint], check=False)
        try:
            server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()
        log.close()
        if not os.path.ismount(mountpoint):
            shutil.rmtree(work, ignore_errors=True)


def run_test(binary):
    with slow_share(make_tree) as (source, mountpoint):
        def run(command):
            started = time.monotonic()
            # One folder read at a time, so that the walk takes seconds.
            done = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True,
                                  timeout=120, env=dict(os.environ, FINDLET_THREADS="1"))
            # The next run must not list this run's page.
            if os.path.exists(os.path.join(source, "search.html")):
                os.remove(os.path.join(source, "search.html"))
            return done, time.monotonic() - started

        tool = f"stty cols {COLUMNS} rows 24 && exec {shlex.quote(binary)} {shlex.quote(mountpoint)}"
        on_terminal, terminal_seconds = run(["script", "-qec", tool, "/dev/null"])
        through_pipe, pipe_seconds = run([binary, mountpoint])
        print(f"walk on the slow share: {terminal_seconds:.1f} s on the terminal, "
              f"{pipe_seconds:.1f} s through a pipe")

        failures = []
        expected = expected_console(mountpoint)
        for name, done in (("terminal", on_terminal), ("pipe", through_pipe)):
            if done.returncode != 0 or done.stderr:
                failures.append(f"{name} run: status {done.returncode}, "
                                f"standard error {done.stderr!r}")
        if through_pipe.stdout != expected:
            failures.append(f"pipe bytes differ from a run without progress:\n"
                            f"  got      {through_pipe.stdout!r}\n  expected {expected!r}")
        # The terminal turns each LF into CR LF.
        expected_tty = expected.replace(b"\n", b"\r\n")
        at = expected_tty.index(b"File extensions")
        raw = on_terminal.stdout
        if not (raw.startswith(expected_tty[:at]) and raw.endswith(expected_tty[at:])
                and len(raw) > len(expected_tty)):
            failures.append(f"terminal bytes are not the console with progress inserted "
                            f"before the extension report: {raw!r}")
        else:
            check_progress(raw[at:len(raw) - (len(expected_tty) - at)], failures)
        if screen(raw) != screen(through_pipe.stdout):
            failures.append("the terminal's screen differs from the pipe's:\n" +
                            "\n".join(repr(row) for row in screen(raw)))
        for failure in failures:
            print("FAILED: " + failure)
        if not failures:
            print("passed: progress on the terminal, none through the pipe, same screen")
        return 1 if failures else 0


def main():
    if len(sys.argv) == 6 and sys.argv[1] == "--serve":
        serve(sys.argv[2], sys.argv[3], int(sys.argv[4]), float(sys.argv[5]))
        return 0
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    reason = missing_prerequisite()
    if reason is not None:
        skip(reason)
    return run_test(os.path.abspath(sys.argv[1]))


if __name__ == "__main__":
    sys.exit(main())
