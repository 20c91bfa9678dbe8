#!/usr/bin/env python3
"""Times compressed input and output against piping them through zcat and gzip.

    run_gzip_bench.py KESTROVE WORK_DIR [--mb 100] [--repeat 3] [--baseline OLD_KESTROVE]
                      [--alt OTHER_KESTROVE]

Uses WORK_DIR/bench-<mb>mb.sdf (made as run_bench.py makes it) and its
compressed copy WORK_DIR/bench-<mb>mb.sdf.gz (made once with gzip -n -6).
For a pass-through and a remap run it prints the median wall time of the
repeats, MB/s of uncompressed text and the median CPU time of all the
processes of the run (zcat included), for
  gz        the compressed file named on the command line,
  zcat      zcat file | kestrove ... (standard input),
  gz-gz     the compressed file in, a .gz output and a .gz audit log,
  pipe-gz   zcat file | kestrove ... | gzip -1, then gzip -1 of the audit log,
  plain     the uncompressed file named on the command line,
and with --baseline the plain runs of another build, to show that plain
files are read as fast as before; with --alt the gz-gz runs of another build
(one made with another compression level, say). Runs take turns so that load hits all.
"""
import argparse
import os
import resource
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run_bench import REMAPPED, TEMPLATES, ensure_input  # noqa: E402


def ensure_inputs(work, megabytes):
    path = ensure_input(work, megabytes)
    if not os.path.exists(path + ".gz"):
        with open(path + ".gz.tmp", "wb") as out:
            subprocess.run(["gzip", "-n", "-6", "-c", path], stdout=out, check=True)
        os.rename(path + ".gz.tmp", path + ".gz")
    return path


def cpu_of_children():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def measure(shell_cmd, cwd):
    """(wall seconds, CPU seconds of every process of the command)."""
    cpu = cpu_of_children()
    start = time.monotonic()
    proc = subprocess.run(shell_cmd, shell=True, cwd=cwd, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    elapsed = time.monotonic() - start
    # A pass-through remaps nothing and ends with status 1.
    if proc.returncode not in (0, 1):
        sys.exit("failed (%d): %s" % (proc.returncode, shell_cmd))
    return elapsed, cpu_of_children() - cpu


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kestrove")
    parser.add_argument("work")
    parser.add_argument("--mb", type=float, default=100)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--baseline")
    parser.add_argument("--alt")
    args = parser.parse_args()
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    path = ensure_inputs(work, args.mb)
    out = os.path.join(work, "out.sdf")
    log = os.path.join(work, "g.log")
    modes = {
        "pass": "-q -n -l%s -cell %s" % (log,
                                          os.path.join(TEMPLATES, "UNUSED_X1")),
        "remap": "-q -l%s %s" % (log,
                                 " ".join("-cell " + os.path.join(TEMPLATES, c) for c in REMAPPED)),
    }
    programs = [("", os.path.abspath(args.kestrove))]
    if args.baseline:
        programs.append(("baseline ", os.path.abspath(args.baseline)))
    runs = []
    for mode, opts in modes.items():
        for label, prog in programs:
            if not label:
                runs.append(("%s gz" % mode, "%s %s %s.gz %s" % (prog, opts, path, out)))
                runs.append(("%s zcat" % mode, "zcat %s.gz | %s %s > %s" % (path, prog, opts, out)))
                gz_opts = opts.replace("-l" + log, "-l%s.gz" % log)
                runs.append(("%s gz-gz" % mode, "%s %s %s.gz %s.gz" % (prog, gz_opts, path, out)))
                if args.alt:
                    runs.append(("%s alt gz-gz" % mode, "%s %s %s.gz %s.gz" % (
                        os.path.abspath(args.alt), gz_opts, path, out)))
                runs.append(("%s pipe-gz" % mode, "zcat %s.gz | %s %s | gzip -1 > %s.gz && "
                             "gzip -1 -f %s" % (path, prog, opts, out, log)))
            runs.append(("%s %splain" % (mode, label), "%s %s %s %s" % (prog, opts, path, out)))
    times = {name: [] for name, _ in runs}
    sizes = {}
    for _ in range(args.repeat):
        for name, cmd in runs:
            for old in (out, out + ".gz"):
                if os.path.exists(old):
                    os.remove(old)
            times[name].append(measure(cmd, work))
            if "gz-gz" in name:
                sizes[name] = os.path.getsize(out + ".gz")
    for old in (out, out + ".gz"):
        if os.path.exists(old):
            os.remove(old)
    mb = os.path.getsize(path) / 1e6
    print("%s: %.1f MB of text, %.1f MB compressed; median of %d" % (
        os.path.basename(path), mb, os.path.getsize(path + ".gz") / 1e6, args.repeat))
    print("  %-20s %8s %9s %8s   %s" % ("run", "wall s", "MB/s", "CPU s", "wall times"))
    for name, _ in runs:
        median = statistics.median(t[0] for t in times[name])
        cpu = statistics.median(t[1] for t in times[name])
        print("  %-20s %8.3f %9.1f %8.3f   %s" % (
            name, median, mb / median, cpu, " ".join("%.3f" % t[0] for t in times[name])))
    for name, size in sizes.items():
        print("  %s output: %.1f MB" % (name, size / 1e6))
    return 0


if __name__ == "__main__":
    sys.exit(main())
