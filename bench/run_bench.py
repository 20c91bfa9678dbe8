#!/usr/bin/env python3
"""Times whole runs of kestrove against cp of the same file.

    run_bench.py KESTROVE WORK_DIR [--mb 100] [--repeat 3]

Generates WORK_DIR/bench-<mb>mb.sdf once (and a quarter-size file, to show
how memory grows with the input), then, side by side and in turns so that
the machine's load hits them all alike, times
  cp        the input copied to a file,
  dd        the same copy through user space in 64 KB blocks, for
            reference (cp may copy inside the kernel, which the program
            cannot),
  pass      kestrove with a template for a cell type the input lacks, so
            every cell is copied through,
  remap     kestrove with templates for DFFR_X1, NAND2_X1 and REG4_X1,
and prints for each the best wall time of the repeats, MB/s, the ratio to
cp, user and system time and the peak resident memory of the process.
"""
import argparse
import os
import subprocess
import sys
import time

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
TEMPLATES = os.path.join(BENCH_DIR, "templates")
REMAPPED = ["DFFR_X1", "NAND2_X1", "REG4_X1"]


def ensure_input(work, megabytes):
    path = os.path.join(work, "bench-%gmb.sdf" % megabytes)
    if not os.path.exists(path):
        print("generating %s ..." % path)
        sys.stdout.flush()
        subprocess.run([sys.executable, os.path.join(BENCH_DIR, "gen_sdf.py"), path + ".tmp",
                        str(megabytes)], check=True)
        os.rename(path + ".tmp", path)
    return path


def measure(cmd, cwd):
    """(wall seconds, user seconds, system seconds, peak RSS in MB, status).

    Through /usr/bin/time: a child forked from this Python process would
    count Python's own pages in its peak resident memory."""
    figures = os.path.join(cwd, "time.out")
    start = time.monotonic()
    proc = subprocess.run(["/usr/bin/time", "-o", figures, "-f", "%U %S %M"] + cmd, cwd=cwd,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
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
    return out, [
        ("cp", ["cp", path, out]),
        # cp (and cat) may copy inside the kernel; dd passes every byte
        # through user space, as the program must.
        ("dd", ["dd", "if=" + path, "of=" + out, "bs=64K", "status=none"]),
        ("pass", [kestrove, "-q", "-n", "-l" + os.path.join(work, "pass.log"),
                  "-cell", os.path.join(TEMPLATES, "UNUSED_X1"), path, out]),
        ("remap", [kestrove, "-q", "-l" + os.path.join(work, "remap.log")] + cells + [path, out]),
    ]


def bench(kestrove, path, work, repeat):
    out, runs = commands(kestrove, path, work)
    best = {}
    for _ in range(repeat):
        for name, cmd in runs:
            if os.path.exists(out):
                os.remove(out)
            result = measure(cmd, work)
            if name in best and best[name][0] <= result[0]:
                continue
            best[name] = result
    outputs = {}
    for name, cmd in runs:
        if os.path.exists(out):
            os.remove(out)
        measure(cmd, work)
        outputs[name] = os.path.getsize(out) if os.path.exists(out) else 0
    os.remove(out)
    return best, outputs


def report(path, best, outputs):
    mb = os.path.getsize(path) / 1e6
    cp_wall = best["cp"][0]
    print("\n%s (%.1f MB)" % (os.path.basename(path), mb))
    cp_cpu = best["cp"][1] + best["cp"][2]
    print("  %-6s %8s %9s %8s %8s %8s %9s %9s %7s %10s" % (
        "run", "wall s", "MB/s", "x cp", "user s", "sys s", "CPU x cp", "peak MB", "status",
        "output MB"))
    for name in ("cp", "dd", "pass", "remap"):
        wall, user, system, rss, status = best[name]
        print("  %-6s %8.3f %9.1f %8.2f %8.3f %8.3f %9.2f %9.1f %7d %10.1f" % (
            name, wall, mb / wall, wall / cp_wall, user, system,
            (user + system) / max(cp_cpu, 0.001), rss, status, outputs[name] / 1e6))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kestrove")
    parser.add_argument("work")
    parser.add_argument("--mb", type=float, default=100)
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()
    kestrove = os.path.abspath(args.kestrove)
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)

    small = ensure_input(work, args.mb / 4)
    large = ensure_input(work, args.mb)
    results = {}
    for path in (small, large):
        best, outputs = bench(kestrove, path, work, args.repeat)
        report(path, best, outputs)
        results[path] = best

    big = results[large]
    cp_wall = big["cp"][0]
    checks = [
        ("pass-through within 2x cp", big["pass"][0] <= 2 * cp_wall),
        ("pass-through within 2x dd", big["pass"][0] <= 2 * big["dd"][0]),
        ("remap within 4x cp", big["remap"][0] <= 4 * cp_wall),
        ("pass-through peak memory under 16 MB", big["pass"][3] < 16),
        ("pass-through peak memory flat from %g to %g MB of input" % (args.mb / 4, args.mb),
         big["pass"][3] <= results[small]["pass"][3] * 1.25 + 1),
    ]
    print()
    for text, ok in checks:
        print("  %-60s %s" % (text, "met" if ok else "MISSED"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
