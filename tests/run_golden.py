#!/usr/bin/env python3
"""Runs one end-to-end case folder: `args` (one argument per line), optional
`stdin`, `expected.status`, `expected.stderr`, optional `expected.stdout` (else
standard output must be empty), `expected/` (files that must exist after the
run, byte for byte; `<name>.gunzipped` stands for <name>, which must be one
whole gzip member of that text) and input files. A file the run creates that
is not expected is an error, so no partial output goes unnoticed.
"""
import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "pylib"))
from testlib import compare, files, gunzip_whole, read, read_args, run_in_copy  # noqa: E402

GUNZIPPED = ".gunzipped"
CASE_META = {"args", "stdin", "expected.status", "expected.stderr", "expected.stdout", "expected"}


def main():
    program, case = sys.argv[1], os.path.abspath(sys.argv[2])

    def at(name):
        return os.path.join(case, name)

    stdin = at("stdin") if os.path.exists(at("stdin")) else None
    proc, inputs, got = run_in_copy(program, case, read_args(at("args")), CASE_META, stdin)
    want = files(at("expected"))
    for rel in [rel for rel in want if rel.endswith(GUNZIPPED)]:
        name = rel[:-len(GUNZIPPED)]
        want[name] = want.pop(rel)
        if name in got:
            text = gunzip_whole(got[name])
            got[name] = text if text is not None else b"(not one whole gzip member)\n"
    got = {rel: data for rel, data in got.items() if rel not in inputs or rel in want}
    want["stderr"], got["stderr"] = read(at("expected.stderr")), proc.stderr
    want["stdout"], got["stdout"] = b"", proc.stdout
    if os.path.exists(at("expected.stdout")):
        want["stdout"] = read(at("expected.stdout"))
    failures = compare(want, got)
    want_status = int(read(at("expected.status")).strip())
    if proc.returncode != want_status:
        failures.insert(0, "exit status: expected %d, got %d" % (want_status, proc.returncode))
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
