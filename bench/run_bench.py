#!/usr/bin/env python3
"""Times whole runs of kestrove against dd and cp of the same file.

    run_bench.py KESTROVE WORK_DIR [--sizes "10 100 1000"] [--repeat 3]

For each size (MB) generates WORK_DIR/bench-<mb>mb.sdf, then, side by side
and in turns so that the machine's load hits them all alike, times
  dd        the input copied to a new file through user space in 64 KB
            blocks: the floor for a program that reads every byte and
            writes it back,
  cp        the same copy (cp may copy inside the kernel),
  dd-sync   dd with conv=fsync: the floor for a program that, as kestrove
            does with a named output, waits for its output to reach the
            disk before it ends,
  pass      kestrove with a template for a cell type the input lacks, so
            every cell is copied through,
  remap     kestrove with templates for DFFR_X1, NAND2_X1 and REG4_X1,
and prints for each the best wall time of the repeats, MB/s, the ratio to
dd, user and system time and the peak resident memory of the process
(/usr/bin/time %M). The input is removed after its size is done. TMPDIR,
where the remap run keeps its spills, is WORK_DIR, whose file system is
printed: it should be backed by a disk, not by memory.
"""
import argparse
import os
import subprocess
import sys
import time

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
TEMPLATES = os.path.join(BENCH_DIR, "templates")
REMAPPED = ["DFFR_X1", "NAND2_X1", "REG4_X1"]
RUNS = ("dd", "cp", "dd-sync", "pass", "remap")


def ensure_input(work, megabytes):
    path = os.path.join(work, "bench-%gmb.sdf" % megabytes)
    if not os.path.exists(path):
        print("generating %s ..." % path)
        sys.stdout.flush()
        subprocess.run([sys.executable, os.path.join(BENCH_DIR, "gen_sdf.py"), path + ".tmp",
                        str(megabytes)], check=True)
        os.rename(path + ".tmp", path)
    return path


def measure(cmd, cwd, env):
    """(wall seconds, user seconds, system seconds, peak RSS in MB, status).

    Through /usr/bin/time: a child forked from this Python process would
    count Python's own pages in its peak resident memory."""
    figures = os.path.join(cwd, "time.out")
    start = time.monotonic()
    proc = subprocess.run(["/usr/bin/time", "-o", figures, "-f", "%U %S %M"] + cmd, cwd=cwd,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    wall = time.monotonic() - start
    with open(figures) as f:
        last = f.read().strip().splitlines()[-1].split()
    os.remove(figures)
    user, system, rss_kb = float(last[0]), float(last[1]), int(last[2])
    return wall, user, system, rss_kb / 1024.0, proc.returncode


def commands(kestrove, path, work):
    out = os.path.join(work, "out.sdf")
    cells = []
    for name in REMAPPED:
        cells += ["-cell", os.path.join(TEMPLATES, name)]
    return out, {
        "dd": ["dd", "if=" + path, "of=" + out, "bs=64K", "status=none"],
        "cp": ["cp", path, out],
        "dd-sync": ["dd", "if=" + path, "of=" + out, "bs=64K", "conv=fsync", "status=none"],
        "pass": [kestrove, "-q", "-n", "-l" + os.path.join(work, "pass.log"),
                 "-cell", os.path.join(TEMPLATES, "UNUSED_X1"), path, out],
        "remap": [kestrove, "-q", "-l" + os.path.join(work, "remap.log")] + cells + [path, out],
    }


def bench(kestrove, path, work, repeat):
    out, runs = commands(kestrove, path, work)
    env = dict(os.environ, TMPDIR=work)
    best = {}
    for _ in range(repeat):
        for name in RUNS:
            if os.path.exists(out):
                os.remove(out)
            result = measure(runs[name], work, env)
            if name not in best or result[0] < best[name][0]:
                best[name] = result
    for name in ("out.sdf", "pass.log", "remap.log"):
        if os.path.exists(os.path.join(work, name)):
            os.remove(os.path.join(work, name))
    return best


def report(mb, best):
    dd_wall = best["dd"][0]
    sync_wall = best["dd-sync"][0]
    print("\n%g MB input" % mb)
    print("  %-7s %8s %9s %8s %9s %8s %8s %9s %7s" % (
        "run", "wall s", "MB/s", "x dd", "x dd-sync", "user s", "sys s", "peak MB", "status"))
    for name in RUNS:
        wall, user, system, rss, status = best[name]
        print("  %-7s %8.3f %9.1f %8.2f %9.2f %8.3f %8.3f %9.1f %7d" % (
            name, wall, mb / wall, wall / dd_wall, wall / sync_wall, user, system, rss, status))
    sys.stdout.flush()


def file_system(path):
    proc = subprocess.run(["stat", "-f", "-c", "%T", path], capture_output=True, text=True)
    return proc.stdout.strip() or "unknown"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kestrove")
    parser.add_argument("work")
    parser.add_argument("--sizes", default="10 100 1000",
                        help="input sizes in MB, separated by blanks or commas")
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()
    kestrove = os.path.abspath(args.kestrove)
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    sizes = [float(s) for s in args.sizes.replace(",", " ").split()]
    print("spills in TMPDIR=%s (file system: %s)" % (work, file_system(work)))

    results = {}
    for mb in sizes:
        path = ensure_input(work, mb)
        results[mb] = bench(kestrove, path, work, args.repeat)
        os.remove(path)
        report(mb, results[mb])

    checks = []
    for mb in sizes:
        big = results[mb]
        dd_wall = big["dd"][0]
        checks += [
            ("%g MB: remap within 3x dd" % mb, big["remap"][0] <= 3 * dd_wall),
            ("%g MB: pass-through within 1.2x dd" % mb, big["pass"][0] <= 1.2 * dd_wall),
            ("%g MB: pass-through peak memory at most 4 MB" % mb, big["pass"][3] <= 4),
            ("%g MB: remap peak memory at most 64 MB" % mb, big["remap"][3] <= 64),
        ]
    print()
    for text, ok in checks:
        print("  %-50s %s" % (text, "met" if ok else "MISSED"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
