#!/usr/bin/env python3
"""Runs the demo (examples/run-demo.sh): it must show the input cell, the
remapped cell and the audit paragraphs of its instance, and write nothing into
examples/. Runs examples/second (inputs, `args`, expected/ with the output,
audit log and standard error) in fresh copies, once with the files named as
in `args` and once through a pipe (`kestrove ... < in > out`): both must exit
0, match byte for byte and write nothing else.

Arguments: <kestrove binary> <project root> [<shared dir>].
"""
import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
from testlib import compare, files, read, read_args, report, run_in_copy  # noqa: E402


def run_case(label, program, example, args, sdf_in=None, sdf_out=None):
    proc, inputs, got = run_in_copy(program, example, args, ("expected", "args", "README.md"),
                                    sdf_in and os.path.join(example, sdf_in))
    got = {name: data for name, data in got.items() if name not in inputs}
    got["stderr"] = proc.stderr
    if sdf_out or proc.stdout:
        got[sdf_out or "stdout"] = proc.stdout
    failures = compare(files(os.path.join(example, "expected")), got)
    if proc.returncode != 0:
        failures.append("exit status %d, expected 0" % proc.returncode)
    return ["%s run: %s" % (label, text) for text in failures]


def check_demo(program, root):
    """The demo runs twice into one folder (the second run finds the first one's files),
    shows its instance as read, as written and in the log, and writes nothing into
    examples/."""
    examples = os.path.join(os.path.abspath(root), "examples")
    before = files(examples)
    with tempfile.TemporaryDirectory(prefix="kestrove-demo-") as work:
        out = os.path.join(work, "out")
        for _ in range(2):
            proc = subprocess.run(["sh", os.path.join(examples, "run-demo.sh"),
                                   os.path.abspath(program), out], cwd=work,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        shown = proc.stdout.decode("latin-1")
        log = read(os.path.join(out, "kestrove.log")).decode("latin-1") \
            if os.path.exists(os.path.join(out, "kestrove.log")) else ""
    failures = [] if proc.returncode == 0 else ["demo: exit status %d\n%s" % (
        proc.returncode, proc.stderr.decode("latin-1"))]
    for text in ('"dffr_x2"', "(INSTANCE r1)", '"DFFR_X1"', "(INSTANCE r1/ff)",
                 '* Instance "r1"', "kestrove exit status: 0"):
        if text not in shown:
            failures.append("demo: %s not shown" % text)
    if '* Instance "r1"' not in log:
        failures.append("demo: the audit log has no paragraph of instance r1")
    if files(examples) != before:
        failures.append("demo: wrote into examples/")
    return failures


def main():
    program, example = sys.argv[1], os.path.join(sys.argv[2], "examples", "second")
    args = read_args(os.path.join(example, "args"))
    if len(args) < 4 or args[-3] == "-cell" or any(a.startswith("-") for a in args[-2:]):
        return report(["args must end with the input and the output file names"], "")
    failures = check_demo(program, sys.argv[2])
    failures += run_case("files", program, example, args)
    failures += run_case("pipe", program, example, args[:-2], *args[-2:])
    return report(failures, "the demo shows its instance; examples/second reproduces its "
                  "output, audit log and messages")


if __name__ == "__main__":
    sys.exit(main())
