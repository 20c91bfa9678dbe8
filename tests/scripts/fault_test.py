#!/usr/bin/env python3
"""Runs under faults: failed writes and reads, interruptions, spills that
cannot be made or grow too large, a file appearing at the output name, a
symbolically linked output name. Each run is checked for its status, its last
message, the files left (never a partial output or temporary file) and the
audit log. Input fed through a pipe keeps the program waiting for more, so an
interruption arrives mid-run whatever its speed.

Usage: fault_test.py <kestrove> <project-root> <shared-dir>
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
INSTANCE = b'(CELL (CELLTYPE "INV") (INSTANCE u%07d) (DELAY (ABSOLUTE (IOPATH A Y (1:2:3)))))\n'
REMAPPED = INSTANCE % 1 + b')\n'
ARGS = ["-n", "-cell", "inv"]
LOG_START = b"Audit log produced by kestrove version 1.1\n\n"
BASE = ["in.sdf", "inv.sdft", "kestrove.log"]
REMAP_NOTE = b"Cell INV from template inv.sdft"
failures, folders = [], []


def check(ok, what):
    if not ok:
        failures.append(what)


def lines(pattern, count):
    return b"".join(pattern % i for i in range(count))


def scratch(data=None):
    folder = tempfile.mkdtemp(prefix="kestrove_fault_")
    folders.append(folder)
    write(folder, "inv.sdft", TEMPLATE)
    if data is not None:
        write(folder, "in.sdf", data)
    return folder


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def read(folder, name, gz=False):
    with open(os.path.join(folder, name), "rb") as f:
        data = f.read()
    return (gunzip_whole(data) or b"(not one whole gzip member)") if gz else data


def expect(case, p, stderr, message, folder, left):
    """The run ended with status 2 and `message` last (with the signal and no
    error when message is a signal), leaving exactly the files `left`."""
    if isinstance(message, int):
        check(p.returncode == -message, "%s: status %d" % (case, p.returncode))
        check(b"Error" not in stderr, "%s: message %r" % (case, stderr))
    else:
        check(p.returncode == 2, "%s: status %d, expected 2" % (case, p.returncode))
        last = (stderr.decode(errors="replace").splitlines()[-1:] or [""])[0]
        check(last == "kestrove: " + message, "%s: last message %r" % (case, last))
    if left is not None:
        got = sorted(os.listdir(folder))
        check(got == sorted(left), "%s: files left %s, expected %s" % (case, got, sorted(left)))


def limited(size):
    def limit():
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    return limit


def run(program, folder, args, stdout=subprocess.DEVNULL, **kw):
    return subprocess.run([program] + args, cwd=folder, stdin=subprocess.DEVNULL, stdout=stdout,
                          stderr=subprocess.PIPE, **kw)


def fed(program, folder, args, stdout=subprocess.DEVNULL, env=None, body=None):
    """Starts a run reading the named pipe in.sdf and feeds it the header and far
    more cells than the pipe and the read-ahead hold, so that the program has been
    reading and writing for a while when this returns; the pipe stays open."""
    fifo = os.path.join(folder, "in.sdf")
    os.mkfifo(fifo)
    p = subprocess.Popen([program] + args, cwd=folder, stdin=subprocess.DEVNULL, stdout=stdout,
                         stderr=subprocess.PIPE, env=env)
    feed = open(fifo, "wb")
    try:
        feed.write(HEADER + (body if body is not None else lines(COPIED, 20000)))
        feed.flush()
    except BrokenPipeError:
        pass
    return p, feed


def finish(p, feed, rest=b"", sig=None):
    """Sends the signal, if any, and waits for the run to end before the pipe is
    closed, so that the run must stop while its input is still open."""
    try:
        if sig:
            p.send_signal(sig)
            p.wait(timeout=60)
        feed.write(rest)
        feed.close()
    except BrokenPipeError:
        pass
    except subprocess.TimeoutExpired:
        p.kill()
    return p.communicate(timeout=60)[1]


def write_faults(program):
    big = scratch(HEADER + lines(COPIED, 40000) + REMAPPED)
    # (case, log option, output name or None for stdout on /dev/full, file-size
    # limit, message, files left; the compressed log stays whole under the limit)
    for case, log, out, limit, message, left in (
            ("stdout on /dev/full", [], None, None,
             "Error writing '<stdout>': No space left on device", None),
            ("file-size limit", [], "out.sdf", 1 << 20, "Error writing 'out.sdf': File too large", BASE),
            ("audit log on /dev/full", ["-l/dev/full"], "out.sdf", None,
             "Error writing '/dev/full': No space left on device", BASE),
            ("file-size limit, compressed", ["-lrun.log.gz"], "out.sdf.gz", 64 << 10,
             "Error writing 'out.sdf.gz': File too large", BASE + ["run.log.gz"])):
        with open("/dev/full", "wb") as full:
            p = run(program, big, log + ARGS + ["in.sdf"] + ([out] if out else []),
                    stdout=subprocess.DEVNULL if out else full,
                    preexec_fn=limited(limit) if limit else None)
        expect(case, p, p.stderr, message, big, left)
        log_name = log[0][2:] if log and log[0] != "-l/dev/full" else "kestrove.log"
        check(read(big, log_name, log_name.endswith(".gz")).startswith(LOG_START), case + ": audit log")

    # A small output fails only when it is put out, after the run has finished.
    folder = scratch(HEADER + REMAPPED)
    with open("/dev/full", "wb") as full:
        p = run(program, folder, ["-lrun.log.gz"] + ARGS + ["in.sdf"], stdout=full)
    expect("final write on /dev/full", p, p.stderr,
           "Error writing '<stdout>': No space left on device", folder, None)
    check(REMAP_NOTE in read(folder, "run.log.gz", True), "final write on /dev/full: audit log")

    folder = scratch()
    os.mkdir(os.path.join(folder, "dir.sdf"))
    p = run(program, folder, ARGS + ["dir.sdf", "out.sdf"])
    expect("directory as input", p, p.stderr, "Error reading 'dir.sdf': Is a directory", folder,
           ["dir.sdf", "inv.sdft", "kestrove.log"])


def spill_faults(program):
    """Remapped cells, their audit text and messages wait in temporary files in
    TMPDIR until the read ends; none is ever left behind."""
    instances = lines(INSTANCE, 20000)
    folder = scratch(HEADER + instances + b")\n")
    spills = os.path.join(folder, "tmp")
    os.mkdir(spills)
    left = BASE + ["tmp"]
    p = run(program, folder, ARGS + ["in.sdf", "out.sdf"],
            env=dict(os.environ, TMPDIR=os.path.join(folder, "missing")))
    expect("spill not made", p, p.stderr, "Error writing 'out.sdf': No such file or directory",
           folder, left)

    # The limit stops the spills, not the output, which holds little more than
    # the header while the input is read; the audit text grows fastest.
    env = dict(os.environ, TMPDIR=spills)
    p = run(program, folder, ARGS + ["in.sdf", "out.sdf"], env=env, preexec_fn=limited(256 << 10))
    expect("spill on a full disk", p, p.stderr, "Error writing 'kestrove.log': File too large",
           folder, left)
    check(read(folder, "kestrove.log").endswith(REMAP_NOTE + b"\n"), "spill on a full disk: audit log")
    check(os.listdir(spills) == [], "spill on a full disk: spill left")

    os.remove(os.path.join(folder, "in.sdf"))
    p, feed = fed(program, folder, ARGS + ["in.sdf", "out.sdf"], env=env, body=instances)
    expect("spills interrupted", p, finish(p, feed, sig=signal.SIGTERM), signal.SIGTERM, folder, left)
    check(os.listdir(spills) == [], "spills interrupted: spill left")


def interruptions(program):
    for sig, gz in ((signal.SIGINT, False), (signal.SIGTERM, False),
                    (signal.SIGINT, True), (signal.SIGTERM, True)):
        case = signal.Signals(sig).name + (", compressed" if gz else "")
        folder = scratch()
        log_name, out_name = ("run.log.gz", "out.sdf.gz") if gz else ("kestrove.log", "out.sdf")
        p, feed = fed(program, folder, ["-l" + log_name] + ARGS + ["in.sdf", out_name])
        expect(case, p, finish(p, feed, sig=sig), sig, folder, ["in.sdf", "inv.sdft", log_name])
        log = read(folder, log_name, gz)
        check(log.startswith(LOG_START) and REMAP_NOTE in log, "%s: audit log %r" % (case, log[:200]))

    # The reader of standard output goes away before the output is written.
    folder = scratch()
    reader, writer = os.pipe()
    os.close(reader)
    p, feed = fed(program, folder, ARGS + ["in.sdf"], stdout=writer)
    os.close(writer)
    expect("SIGPIPE", p, finish(p, feed, lines(COPIED, 20000)), signal.SIGPIPE, folder, None)
    check(REMAP_NOTE in read(folder, "kestrove.log"), "SIGPIPE: audit log")


def output_name(program):
    # A file made at the output name during the run is kept.
    folder = scratch()
    p, feed = fed(program, folder, ARGS + ["in.sdf", "out.sdf"])
    write(folder, "out.sdf", b"theirs\n")
    expect("output appearing", p, finish(p, feed, REMAPPED), "Error writing 'out.sdf': File exists",
           folder, BASE + ["out.sdf"])
    check(read(folder, "out.sdf") == b"theirs\n", "output appearing: replaced")

    # A link to a file yet to be made: the file is made with the mode of a
    # plain create, the link kept.
    folder = scratch(HEADER + REMAPPED)
    for sub in ("sub", "links"):
        os.mkdir(os.path.join(folder, sub))
    os.symlink("../sub/target.sdf", os.path.join(folder, "links", "out.sdf"))
    mask = os.umask(0o022)
    p = run(program, folder, ARGS + ["in.sdf", "links/out.sdf"])
    os.umask(mask)
    check(p.returncode == 0, "link as output: status %d %r" % (p.returncode, p.stderr))
    check(os.path.islink(os.path.join(folder, "links", "out.sdf")), "link as output: link replaced")
    check(os.listdir(os.path.join(folder, "sub")) == ["target.sdf"], "link as output: target or temporary")
    check(os.listdir(os.path.join(folder, "links")) == ["out.sdf"], "link as output: left beside the link")
    target = os.path.join(folder, "sub", "target.sdf")
    if os.path.exists(target):
        check(read(folder, "sub/target.sdf").startswith(HEADER), "link as output: target")
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
    finish(p, feed, sig=signal.SIGTERM)
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
    for part in (write_faults, spill_faults, interruptions, output_name, audit_cut_back):
        part(program)
    for folder in folders:
        shutil.rmtree(folder)
    print("\n".join(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
