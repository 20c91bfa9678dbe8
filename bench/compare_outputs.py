#!/usr/bin/env python3
"""Runs two builds of kestrove on the same inputs and reports any difference
in exit status, standard error, output file or audit log: the check that a
speed-up changed no output byte.

    compare_outputs.py OLD_BINARY NEW_BINARY INPUT_OR_DIR...

Every input is run twice with each binary: with a template for a cell type
it lacks (pass-through) and with the fuzz fixture's templates for DFFR_X1,
REG4 and NAND2_X1 (the last with preferences), which the golden inputs, the
shared corpus and the fuzz corpora all contain.
"""
import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SEEDS = os.path.join(ROOT, "fuzz", "seeds")
FIXTURE = {
    "DFFR_X1.sdft": "template/dffr.sdft", "DFFR_X1_typ.tdef": "tdef/dffr.tdef",
    "REG4.sdft": "template/reg4.sdft", "REG4.tdef": "tdef/reg4.tdef",
    "NAND2_X1.sdft": "template/nand2.sdft", "NAND2_X1.prefs": "prefs/nand2.prefs",
}
UNUSED = b'(CELL (CELLTYPE "UNUSED_X1") (INSTANCE u) (DELAY (ABSOLUTE (IOPATH A Z (t:t:t)))))\n'
RUNS = [
    ["-lrun.log", "-cell", "UNUSED_X1", "in.sdf", "out.sdf"],
    ["-lrun.log", "-cell", "DFFR_X1", "-cell", "REG4", "-n", "-pNAND2_X1.prefs", "-cell", "NAND2_X1",
     "in.sdf", "out.sdf"],
]


def inputs(paths):
    for path in paths:
        if os.path.isdir(path):
            for root, _, names in os.walk(path):
                for name in sorted(names):
                    yield os.path.join(root, name)
        else:
            yield path


def run(binary, work, args):
    for name in ("out.sdf", "run.log"):
        if os.path.exists(os.path.join(work, name)):
            os.remove(os.path.join(work, name))
    proc = subprocess.run(["kestrove"] + args, executable=binary, cwd=work, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    files = []
    for name in ("out.sdf", "run.log"):
        path = os.path.join(work, name)
        files.append(open(path, "rb").read() if os.path.exists(path) else None)
    return (proc.returncode, proc.stdout, proc.stderr, files[0], files[1])


def main():
    old, new = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    work = tempfile.mkdtemp(prefix="kestrove-compare-")
    try:
        for name, seed in FIXTURE.items():
            shutil.copyfile(os.path.join(SEEDS, seed), os.path.join(work, name))
        with open(os.path.join(work, "UNUSED_X1.sdft"), "wb") as f:
            f.write(UNUSED)
        count = differences = 0
        for path in inputs(sys.argv[3:]):
            shutil.copyfile(path, os.path.join(work, "in.sdf"))
            for args in RUNS:
                count += 1
                a, b = run(old, work, args), run(new, work, args)
                if a != b:
                    differences += 1
                    what = [n for n, x, y in zip(("status", "stdout", "stderr", "output", "audit"), a, b)
                            if x != y]
                    print("DIFFERENT %s (%s): %s" % (path, " ".join(args[:-2]), ", ".join(what)))
        print("%d runs, %d with differences" % (count, differences))
        return 1 if differences else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
