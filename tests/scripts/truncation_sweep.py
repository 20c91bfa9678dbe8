#!/usr/bin/env python3
"""Runs every end-to-end case on prefixes of its input file: each run must end
with status 0 or 1 (2 for a cut compressed input), within a minute, without a
sanitizer report, and write no file but the output and the audit log.

Usage: truncation_sweep.py <kestrove> <project-root> <shared-dir>
"""
import glob
import os
import shutil
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
from testlib import read, read_args, report, run_in_copy  # noqa: E402

CUTS = 10  # prefixes per input, evenly spaced, the empty one included
CASE_META = ("args", "stdin", "expected.status", "expected.stderr", "expected.stdout",
             "expected", "purpose")
SANITIZER = (b"AddressSanitizer", b"UndefinedBehaviorSanitizer", b"runtime error:")


def sweep(program, case, work):
    args = read_args(os.path.join(case, "args"))
    inputs = [a for a in args if not a.startswith("-") and os.path.isfile(os.path.join(case, a))]
    if not inputs:
        return []
    data = read(os.path.join(case, inputs[0]))
    statuses = (0, 1, 2) if data[:2] == b"\x1f\x8b" else (0, 1)
    # The output and the audit log the arguments name, with their folders.
    allowed = {a for a in args[args.index(inputs[0]) + 1:] if not a.startswith("-")}
    allowed |= {a[2:] for a in args if a.startswith("-l")} | {"kestrove.log"}
    failures = []
    for cut in sorted({len(data) * k // CUTS for k in range(CUTS)}):
        folder = os.path.join(work, "%s-%d" % (os.path.basename(case), cut))
        shutil.copytree(case, folder, ignore=shutil.ignore_patterns(*CASE_META))
        with open(os.path.join(folder, inputs[0]), "wb") as f:
            f.write(data[:cut])
        proc, before, after = run_in_copy(program, folder, args)
        stray = sorted(n for n in set(after) - set(before) if not allowed & {n, n.split("/")[0]})
        what = "%s cut at %d:" % (os.path.basename(case), cut)
        if proc.returncode not in statuses:
            failures.append("%s status %d" % (what, proc.returncode))
        if any(s in proc.stderr for s in SANITIZER):
            failures.append("%s sanitizer report\n%s" % (what, proc.stderr.decode("latin-1")))
        if stray:
            failures.append("%s wrote %s" % (what, ", ".join(stray)))
    return failures


def main():
    program = os.path.abspath(sys.argv[1])
    failures = []
    with tempfile.TemporaryDirectory(prefix="kestrove-sweep-") as work:
        for case in sorted(glob.glob(os.path.join(sys.argv[2], "tests", "golden", "*"))):
            failures += sweep(program, case, work)
    return report(failures, "every cut input ended cleanly")


if __name__ == "__main__":
    sys.exit(main())
