#!/usr/bin/env python3
"""Runs examples/second (its inputs, `args` with one argument per line, and
expected/ with the output SDF, audit log and standard error) twice, each in a
fresh copy, and compares byte for byte; both must exit 0 and write nothing else:
  files  the command line as given: input and output named on it;
  pipe   the same options with the input on standard input and the output on
         standard output, as in `kestrove ... < design.sdf > remapped.sdf`.

Arguments: <kestrove binary> <project root> [<shared dir>].
"""
import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
from testlib import compare, files, read_args, report, run_in_copy  # noqa: E402


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


def main():
    program, example = sys.argv[1], os.path.join(sys.argv[2], "examples", "second")
    args = read_args(os.path.join(example, "args"))
    if len(args) < 4 or args[-3] == "-cell" or any(a.startswith("-") for a in args[-2:]):
        return report(["args must end with the input and the output file names"], "")
    failures = run_case("files", program, example, args)
    failures += run_case("pipe", program, example, args[:-2], *args[-2:])
    return report(failures, "examples/second reproduces its output, audit log and messages")


if __name__ == "__main__":
    sys.exit(main())
