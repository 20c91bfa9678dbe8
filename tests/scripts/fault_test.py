#!/usr/bin/env python3
"""Runs under faults: failed writes and reads, interruptions, a file that
appears at the output name during the run, a symbolically linked output name.

Usage: fault_test.py <kestrove> <project-root> <shared-dir>

Each run is checked for its status, its last message, the files left in its
folder (never a partial output, never a temporary file) and the audit log.
Input that arrives through a pipe is fed by the test, so an interruption is
sent while the program is still waiting for more, whatever its speed.
"""
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
from testlib import gunzip_whole  # noqa: E402

TEMPLATE = b'(CELL (CELLTYPE "INV") (INSTANCE u0) (DELAY (ABSOLUTE (IOPATH A Y (tpd:tpd:tpd)))))\n'
HEADER = b'(DELAYFILE\n(SDFVERSION "3.0")\n(TIMESCALE 1ns)\n'
COPIED = b'(CELL (CELLTYPE "BUF") (INSTANCE b%07d) (DELAY (ABSOLUTE (IOPATH A Y (1:2:3)))))\n'
REMAPPED = b'(CELL (CELLTYPE "INV") (INSTANCE u1) (DELAY (ABSOLUTE (IOPATH A Y (1:2:3)))))\n)\n'
INSTANCE = b'(CELL (CELLTYPE "INV") (INSTANCE u%07d) (DELAY (ABSOLUTE (IOPATH A Y (1:2:3)))))\n'
ARGS = ["-n", "-cell", "inv"]
LOG_START = b"Audit log produced by kestrove version 1.1\n\n"

failures = []
folders = []


def check(ok, what):
    if not ok:
        failures.append(what)


def copied_cells(first, count):
    return b"".join(COPIED % i for i in range(first, first + count))


def scratch():
    folder = tempfile.mkdtemp(prefix="kestrove_fault_")
    folders.append(folder)
    with open(os.path.join(folder, "inv.sdft"), "wb") as f:
        f.write(TEMPLATE)
    return folder


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def read(folder, name):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()


def expect_files(folder, names, case):
    left = sorted(os.listdir(folder))
    check(left == sorted(names), "%s: files left %s, expected %s" % (case, left, sorted(names)))


def expect_error(proc_status, stderr, message, case):
    check(proc_status == 2, "%s: status %d, expected 2" % (case, proc_status))
    last = stderr.decode(errors="replace").splitlines()[-1:] or [""]
    check(last[0] == message, "%s: last message %r, expected %r" % (case, last[0], message))


def limited(size):
    def limit():
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    return limit


def run(program, folder, args, **kw):
    return subprocess.run([program] + args, cwd=folder, stdin=subprocess.DEVNULL,
                          stdout=kw.pop("stdout", subprocess.DEVNULL), stderr=subprocess.PIPE, **kw)


def write_faults(program):
    folder = scratch()
    write(folder, "in.sdf", HEADER + copied_cells(0, 40000) + REMAPPED)
    with open("/dev/full", "wb") as full:
        p = run(program, folder, ARGS + ["in.sdf"], stdout=full)
    expect_error(p.returncode, p.stderr, "kestrove: Error writing '<stdout>': No space left on device",
                 "stdout on /dev/full")
    check(read(folder, "kestrove.log").startswith(LOG_START), "stdout on /dev/full: audit log")

    p = run(program, folder, ARGS + ["in.sdf", "out.sdf"], preexec_fn=limited(1 << 20))
    expect_error(p.returncode, p.stderr, "kestrove: Error writing 'out.sdf': File too large",
                 "file-size limit")
    expect_files(folder, ["in.sdf", "inv.sdft", "kestrove.log"], "file-size limit")

    p = run(program, folder, ["-l/dev/full"] + ARGS + ["in.sdf", "out.sdf"])
    expect_error(p.returncode, p.stderr, "kestrove: Error writing '/dev/full': No space left on device",
                 "audit log on /dev/full")
    expect_files(folder, ["in.sdf", "inv.sdft", "kestrove.log"], "audit log on /dev/full")

    # The compressed output outgrows the limit; the compressed log does not
    # and must still be whole.
    p = run(program, folder, ["-lrun.log.gz"] + ARGS + ["in.sdf", "out.sdf.gz"],
            preexec_fn=limited(64 << 10))
    expect_error(p.returncode, p.stderr, "kestrove: Error writing 'out.sdf.gz': File too large",
                 "file-size limit, compressed")
    expect_files(folder, ["in.sdf", "inv.sdft", "kestrove.log", "run.log.gz"],
                 "file-size limit, compressed")
    log = gunzip_whole(read(folder, "run.log.gz")) or b""
    check(log.startswith(LOG_START), "file-size limit, compressed: audit log %r" % log[:80])

    # A small output fails only when it is put out at the end, after the
    # run itself has finished.
    folder = scratch()
    write(folder, "in.sdf", HEADER + REMAPPED)
    with open("/dev/full", "wb") as full:
        p = run(program, folder, ["-lrun.log.gz"] + ARGS + ["in.sdf"], stdout=full)
    expect_error(p.returncode, p.stderr, "kestrove: Error writing '<stdout>': No space left on device",
                 "final write on /dev/full, compressed log")
    log = gunzip_whole(read(folder, "run.log.gz")) or b""
    check(b"Cell INV from template" in log, "final write on /dev/full: audit log %r" % log[:80])


def spill_faults(program):
    """Remapped cells, their audit text and messages wait in temporary files
    in TMPDIR until the read ends; those files stand for the output and the
    audit log, and none is ever left behind."""
    folder = scratch()
    spills = os.path.join(folder, "tmp")
    os.mkdir(spills)
    instances = b"".join(INSTANCE % i for i in range(20000))
    write(folder, "in.sdf", HEADER + instances + b")\n")

    env = dict(os.environ, TMPDIR=os.path.join(folder, "missing"))
    p = run(program, folder, ARGS + ["in.sdf", "out.sdf"], env=env)
    expect_error(p.returncode, p.stderr,
                 "kestrove: Error writing 'out.sdf': No such file or directory", "spill not made")
    expect_files(folder, ["in.sdf", "inv.sdft", "kestrove.log", "tmp"], "spill not made")

    # The file-size limit stops the spills, not the output, which holds
    # little more than the header while the input is read; the audit text
    # grows fastest.
    env = dict(os.environ, TMPDIR=spills)
    p = run(program, folder, ARGS + ["in.sdf", "out.sdf"], env=env,
            preexec_fn=limited(256 << 10))
    expect_error(p.returncode, p.stderr, "kestrove: Error writing 'kestrove.log': File too large",
                 "spill on a full disk")
    expect_files(folder, ["in.sdf", "inv.sdft", "kestrove.log", "tmp"], "spill on a full disk")
    check(read(folder, "kestrove.log").endswith(b"Cell INV from template inv.sdft\n"),
          "spill on a full disk: audit log holds remapping")
    check(os.listdir(spills) == [], "spill on a full disk: spill left")

    # An interruption while spills are being written.
    os.remove(os.path.join(folder, "in.sdf"))
    p, feed = fed(program, folder, ARGS + ["in.sdf", "out.sdf"], env=env, body=instances)
    stderr = finish(p, feed, signal_first=signal.SIGTERM)
    check(p.returncode == -signal.SIGTERM, "spills interrupted: status %d" % p.returncode)
    check(b"Error" not in stderr, "spills interrupted: message %r" % stderr)
    expect_files(folder, ["in.sdf", "inv.sdft", "kestrove.log", "tmp"], "spills interrupted")
    check(os.listdir(spills) == [], "spills interrupted: spill left")


def read_fault(program):
    folder = scratch()
    os.mkdir(os.path.join(folder, "dir.sdf"))
    p = run(program, folder, ARGS + ["dir.sdf", "out.sdf"])
    expect_error(p.returncode, p.stderr, "kestrove: Error reading 'dir.sdf': Is a directory",
                 "directory as input")
    expect_files(folder, ["dir.sdf", "inv.sdft", "kestrove.log"], "directory as input")


def fed(program, folder, args, stdout=subprocess.DEVNULL, env=None, body=None):
    """Starts a run reading in.sdf, a named pipe, and feeds it the header and
    far more copied cells than the pipe and the read-ahead hold, so that once
    this returns the program has read and written for a while. Returns the
    process and the open end of the pipe."""
    fifo = os.path.join(folder, "in.sdf")
    os.mkfifo(fifo)
    p = subprocess.Popen([program] + args, cwd=folder, stdin=subprocess.DEVNULL, stdout=stdout,
                         stderr=subprocess.PIPE, env=env)
    feed = open(fifo, "wb")
    try:
        feed.write(HEADER + (body if body is not None else copied_cells(0, 20000)))
        feed.flush()
    except BrokenPipeError:
        pass
    return p, feed


def finish(p, feed, rest=b"", signal_first=None):
    """Sends the signal, if any, and waits for the run to end before the pipe
    is closed, so that the run must stop while its input is still open."""
    try:
        if signal_first:
            p.send_signal(signal_first)
            p.wait(timeout=60)
        feed.write(rest)
        feed.close()
    except BrokenPipeError:
        pass
    except subprocess.TimeoutExpired:
        p.kill()
    return p.communicate(timeout=60)[1]


def interruptions(program):
    for sig, gz in ((signal.SIGINT, False), (signal.SIGTERM, False),
                    (signal.SIGINT, True), (signal.SIGTERM, True)):
        case = signal.Signals(sig).name + (", compressed" if gz else "")
        folder = scratch()
        log_name, out_name = ("run.log.gz", "out.sdf.gz") if gz else ("kestrove.log", "out.sdf")
        p, feed = fed(program, folder, ["-l" + log_name] + ARGS + ["in.sdf", out_name])
        stderr = finish(p, feed, signal_first=sig)
        check(p.returncode == -sig, "%s: status %d" % (case, p.returncode))
        check(b"Error" not in stderr, "%s: message %r" % (case, stderr))
        expect_files(folder, ["in.sdf", "inv.sdft", log_name], case)
        log = read(folder, log_name)
        log = (gunzip_whole(log) or b"(not one whole gzip member)") if gz else log
        check(log.startswith(LOG_START) and b"Cell INV from template inv.sdft" in log,
              "%s: audit log not flushed: %r" % (case, log[:200]))

    # The reader of standard output goes away before the output is written.
    folder = scratch()
    reader, writer = os.pipe()
    os.close(reader)
    p, feed = fed(program, folder, ARGS + ["in.sdf"], stdout=writer)
    os.close(writer)
    stderr = finish(p, feed, copied_cells(0, 20000))
    check(p.returncode == -signal.SIGPIPE, "SIGPIPE: status %d" % p.returncode)
    check(b"Error" not in stderr, "SIGPIPE: message %r" % stderr)
    check(b"Cell INV from template" in read(folder, "kestrove.log"), "SIGPIPE: audit log")


def output_name(program):
    # A file made at the output name during the run is kept.
    folder = scratch()
    p, feed = fed(program, folder, ARGS + ["in.sdf", "out.sdf"])
    write(folder, "out.sdf", b"theirs\n")
    stderr = finish(p, feed, REMAPPED)
    expect_error(p.returncode, stderr, "kestrove: Error writing 'out.sdf': File exists",
                 "output appearing")
    check(read(folder, "out.sdf") == b"theirs\n", "output appearing: replaced")
    expect_files(folder, ["in.sdf", "inv.sdft", "kestrove.log", "out.sdf"], "output appearing")

    # A link to a file yet to be made: the file is made, the link kept; the
    # mode is that of a plain create.
    folder = scratch()
    write(folder, "in.sdf", HEADER + REMAPPED)
    os.mkdir(os.path.join(folder, "sub"))
    os.mkdir(os.path.join(folder, "links"))
    os.symlink("../sub/target.sdf", os.path.join(folder, "links", "out.sdf"))
    mask = os.umask(0o022)
    p = run(program, folder, ARGS + ["in.sdf", "links/out.sdf"])
    os.umask(mask)
    check(p.returncode == 0, "link as output: status %d %r" % (p.returncode, p.stderr))
    check(os.path.islink(os.path.join(folder, "links", "out.sdf")), "link as output: link replaced")
    target = os.path.join(folder, "sub", "target.sdf")
    check(os.path.exists(target) and read(folder, "sub/target.sdf").startswith(HEADER),
          "link as output: target")
    check(os.listdir(os.path.join(folder, "sub")) == ["target.sdf"], "link as output: temporary left")
    check(os.listdir(os.path.join(folder, "links")) == ["out.sdf"], "link as output: left beside the link")
    if os.path.exists(target):
        check(os.stat(target).st_mode & 0o777 == 0o644, "link as output: mode %o" % os.stat(target).st_mode)


def audit_cut_back(program):
    """Audit text of remapping written to a plain log during the read is gone
    again when the read fails or a signal stops the run: the log ends with its
    template section, as when nothing was remapped."""
    template_log = (LOG_START + b"\tkestrove SDF cell remapper -- (c) The kestrove developers\n\n\n"
                    b"\n********\nCell INV from template inv.sdft\n")
    folder = scratch()
    instances = b"".join(INSTANCE % i for i in range(20000))
    write(folder, "in.sdf", HEADER + instances + b'(CELL (CELLTYPE "INV") (DELAY (ABSOLUTE)))\n)\n')
    p = run(program, folder, ARGS + ["in.sdf", "out.sdf"])
    check(p.returncode == 1 and b"does not contain an instance" in p.stderr,
          "read error after remapping: status %d %r" % (p.returncode, p.stderr[-200:]))
    log = read(folder, "kestrove.log")
    check(log == template_log, "read error after remapping: audit log ends %r" % log[-200:])

    for name in ("in.sdf", "out.sdf"):
        os.remove(os.path.join(folder, name))
    p, feed = fed(program, folder, ARGS + ["in.sdf", "out.sdf"], body=instances)
    finish(p, feed, signal_first=signal.SIGTERM)
    check(p.returncode == -signal.SIGTERM, "remapping interrupted: status %d" % p.returncode)
    log = read(folder, "kestrove.log")
    check(log == template_log, "remapping interrupted: audit log ends %r" % log[-200:])

    # Standard error on the log's file writes a read warning there at once,
    # while the audit text, which comes after, overwrites it.
    write(folder, "warn.sdf", HEADER + INSTANCE % 1 + b'(CELL (CELLTYPE "INV") (INSTANCE u2) '
          b'(DELAY (ABSOLUTE (FOO 1) (IOPATH A Y (1:2:3)))))\n)\n')
    for out_name, log_name, err in (("one.sdf", "kestrove.log", os.devnull),
                                    ("two.sdf", "/dev/stderr", os.path.join(folder, "err"))):
        with open(err, "wb") as err_file:
            subprocess.run([program, "-n", "-l" + log_name, "-cell", "inv", "warn.sdf", out_name],
                           cwd=folder, stdin=subprocess.DEVNULL, stderr=err_file)
    check(read(folder, "err") == read(folder, "kestrove.log"), "audit log on standard error")


def main():
    program = os.path.abspath(sys.argv[1])
    write_faults(program)
    spill_faults(program)
    read_fault(program)
    interruptions(program)
    output_name(program)
    audit_cut_back(program)
    for folder in folders:
        shutil.rmtree(folder)
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
