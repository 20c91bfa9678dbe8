#!/usr/bin/env python3
"""Runs the example in examples/second and compares it byte for byte.

The example folder holds the input SDF, the templates, defaults and
preferences, `args` (the command line, one argument per line) and expected/
with the output SDF, the audit log and the standard error of the run.

Two runs, each in a fresh copy of the folder:
  files  the command line as given: input and output named on it;
  pipe   the same options with the input on standard input and the output on
         standard output, as in `kestrove ... < design.sdf > remapped.sdf`.
Both must give the expected files, exit status 0 and nothing else.

Arguments: <kestrove binary> <project root> [<shared dir>].
"""
import difflib
import os
import shutil
import subprocess
import sys
import tempfile

EXAMPLE = os.path.join("examples", "second")


def show_diff(name, want, got):
    lines = difflib.unified_diff(
        want.decode("latin-1").splitlines(keepends=True),
        got.decode("latin-1").splitlines(keepends=True),
        fromfile="expected/" + name, tofile="actual/" + name)
    sys.stdout.write("".join(lines))
    if want.endswith(b"\n") != got.endswith(b"\n"):
        print("(%s: the last line differs in its line end)" % name)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def run_case(label, program, example, args, stdin_name, stdout_name):
    """Runs one case; returns a list of failure texts."""
    expected = os.path.join(example, "expected")
    work = tempfile.mkdtemp(prefix="kestrove-example-")
    try:
        inputs = [name for name in os.listdir(example)
                  if name not in ("expected", "args", "README.md")]
        for name in inputs:
            shutil.copy(os.path.join(example, name), work)
        stdin = open(os.path.join(work, stdin_name), "rb") if stdin_name else subprocess.DEVNULL
        proc = subprocess.run([program] + args, cwd=work, stdin=stdin,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if stdin_name:
            stdin.close()
        got = {"stderr": proc.stderr}
        if stdout_name:
            got[stdout_name] = proc.stdout
        elif proc.stdout:
            got["stdout"] = proc.stdout
        for name in os.listdir(work):
            if name not in inputs:
                got[name] = read(os.path.join(work, name))

        failures = []
        if proc.returncode != 0:
            failures.append("exit status %d, expected 0" % proc.returncode)
        want = {name: read(os.path.join(expected, name)) for name in os.listdir(expected)}
        for name in sorted(set(want) | set(got)):
            if name not in got:
                failures.append("%s was not written" % name)
            elif name not in want:
                failures.append("unexpected file %s" % name)
            elif got[name] != want[name]:
                print("--- %s run: %s differs" % (label, name))
                show_diff(name, want[name], got[name])
                failures.append("%s differs" % name)
        return ["%s run: %s" % (label, text) for text in failures]
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    program = os.path.abspath(sys.argv[1])
    example = os.path.join(os.path.abspath(sys.argv[2]), EXAMPLE)
    with open(os.path.join(example, "args")) as f:
        args = [line.rstrip("\n") for line in f if line.strip()]
    if len(args) < 4 or args[-3] == "-cell" or any(a.startswith("-") for a in args[-2:]):
        print("FAIL: args must end with the input and the output file names")
        return 1
    sdf_in, sdf_out = args[-2:]
    options = args[:-2]

    failures = run_case("files", program, example, args, None, None)
    failures += run_case("pipe", program, example, options, sdf_in, sdf_out)
    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print("examples/second reproduces its output, audit log and messages")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
