#!/usr/bin/env python3
"""Runs one end-to-end case folder and compares every expected file.

A case folder holds:
  args             one command-line argument per line (after the program name)
  stdin            optional; standard input (else /dev/null)
  expected.status  the exit status
  expected.stderr  standard error, byte for byte
  expected.stdout  optional; standard output (else it must be empty)
  expected/        files that must exist after the run, byte for byte
  anything else    input files, copied into the scratch directory

Files the run creates that are not listed under expected/ are an error, so
a case also proves that nothing else (a partial output file) was written.
"""
import difflib
import os
import shutil
import subprocess
import sys
import tempfile

CASE_META = {"args", "stdin", "expected.status", "expected.stderr", "expected.stdout", "expected"}


def diff(name, want, got):
    lines = difflib.unified_diff(
        want.decode("latin-1").splitlines(keepends=True),
        got.decode("latin-1").splitlines(keepends=True),
        fromfile="expected/" + name, tofile="actual/" + name)
    sys.stdout.write("".join(lines))
    if not want.endswith(b"\n") or not got.endswith(b"\n"):
        print("(%s: expected %d bytes, got %d bytes)" % (name, len(want), len(got)))


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    program, case = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    with open(os.path.join(case, "args")) as f:
        args = [line.rstrip("\n") for line in f if line.rstrip("\n") != ""]
    work = tempfile.mkdtemp(prefix="kestrove-golden-")
    try:
        inputs = set()
        for name in os.listdir(case):
            if name in CASE_META:
                continue
            src = os.path.join(case, name)
            if os.path.isdir(src):
                shutil.copytree(src, os.path.join(work, name))
            else:
                shutil.copy(src, os.path.join(work, name))
        for root, _, files in os.walk(work):
            for name in files:
                inputs.add(os.path.relpath(os.path.join(root, name), work))
        stdin_path = os.path.join(case, "stdin")
        stdin = open(stdin_path if os.path.exists(stdin_path) else os.devnull, "rb")
        proc = subprocess.run(["kestrove"] + args, executable=program, cwd=work,
                              stdin=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=60)
        stdin.close()
        ok = True
        want_status = int(read(os.path.join(case, "expected.status")).strip())
        if proc.returncode != want_status:
            print("exit status: expected %d, got %d" % (want_status, proc.returncode))
            ok = False
        checks = [("stderr", read(os.path.join(case, "expected.stderr")), proc.stderr)]
        stdout_path = os.path.join(case, "expected.stdout")
        want_stdout = read(stdout_path) if os.path.exists(stdout_path) else b""
        checks.append(("stdout", want_stdout, proc.stdout))
        expected_dir = os.path.join(case, "expected")
        expected_files = set()
        if os.path.isdir(expected_dir):
            for root, _, files in os.walk(expected_dir):
                for name in files:
                    rel = os.path.relpath(os.path.join(root, name), expected_dir)
                    expected_files.add(rel)
                    got_path = os.path.join(work, rel)
                    if not os.path.exists(got_path):
                        print("missing output file: " + rel)
                        ok = False
                        continue
                    checks.append((rel, read(os.path.join(root, name)), read(got_path)))
        for root, _, files in os.walk(work):
            for name in files:
                rel = os.path.relpath(os.path.join(root, name), work)
                if rel not in inputs and rel not in expected_files:
                    print("unexpected file written: " + rel)
                    ok = False
        for name, want, got in checks:
            if want != got:
                diff(name, want, got)
                ok = False
        return 0 if ok else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
