#!/usr/bin/env python3
"""Configures the project, as a machine without GoogleTest would, into a scratch
folder: configuring must succeed, say that the tests are not built, and leave
a ctest run that fails with that reason instead of passing on nothing.

Arguments: <kestrove binary> <project root> [<shared dir>].
"""
import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
from testlib import report  # noqa: E402

REASON = "GoogleTest was not found"


def main():
    root = os.path.abspath(sys.argv[2])
    with tempfile.TemporaryDirectory(prefix="kestrove-nogtest-") as build:
        run = subprocess.run(["cmake", "-S", root, "-B", build,
                              "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON"],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
        text = run.stdout.decode("latin-1")
        if run.returncode != 0:
            return report([text + "configuring without GoogleTest failed"], "")
        failures = [] if "Tests are not built: " + REASON in text else \
            ["configure did not say that the tests are not built"]
        ctest = subprocess.run(["ctest", "--output-on-failure"], cwd=build,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
        shown = ctest.stdout.decode("latin-1")
        if ctest.returncode == 0 or "kestrove tests are not built: " + REASON not in shown:
            failures.append("ctest without tests: status %d\n%s" % (ctest.returncode, shown))
    return report(failures, "without GoogleTest the project configures, and ctest says why it "
                  "has no tests")


if __name__ == "__main__":
    sys.exit(main())
