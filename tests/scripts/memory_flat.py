#!/usr/bin/env python3
"""Peak memory of a remap run does not grow with its input: each instance's
records are reused for the next and the remapped text waits on disk. Compares
the peak resident memory of the benchmark templates on generated inputs of
1 MB and 12 MB; skipped (77) in an address-checked build, which holds freed
memory back on purpose.

Usage: memory_flat.py <kestrove> <project-root> <shared-dir>
"""
import os
import shutil
import subprocess
import sys
import tempfile


def peak_mb(cmd, cwd):
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            env=dict(os.environ, TMPDIR=cwd))
    _, status, usage = os.wait4(proc.pid, 0)
    return os.waitstatus_to_exitcode(status), usage.ru_maxrss / 1024.0


def main():
    if "ASAN_OPTIONS" in os.environ:
        print("skipped: address-checked build")
        return 77
    program, root = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    templates = os.path.join(root, "bench", "templates")
    cells = []
    for name in ("DFFR_X1", "NAND2_X1", "REG4_X1"):
        cells += ["-cell", os.path.join(templates, name)]
    work = tempfile.mkdtemp(prefix="kestrove_memory_")
    try:
        peaks = []
        for mb in (1, 12):
            path = os.path.join(work, "in%d.sdf" % mb)
            subprocess.run([sys.executable, os.path.join(root, "bench", "gen_sdf.py"), path,
                            str(mb)], check=True, stdout=subprocess.DEVNULL)
            out = os.path.join(work, "out%d.sdf" % mb)
            status, peak = peak_mb([program, "-q", "-lrun.log"] + cells + [path, out], work)
            if status != 0:
                print("%d MB: status %d" % (mb, status))
                return 1
            peaks.append(peak)
        print("peak resident memory: %.1f MB at 1 MB, %.1f MB at 12 MB" % tuple(peaks))
        if peaks[1] > peaks[0] + 1:
            print("peak memory grows with the input")
            return 1
        return 0
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
