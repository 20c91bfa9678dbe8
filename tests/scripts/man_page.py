#!/usr/bin/env python3
"""Checks that docs/kestrove.1 renders without a groff diagnostic (all warnings
on), has the usual sections, names the version and describes every option of
the built program's usage text. Without groff the check is skipped.

Arguments: <kestrove binary> <project root> [<shared dir>].
"""
import os
import re
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
from testlib import report  # noqa: E402

SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "FILES",
            "EXIT STATUS", "DIAGNOSTICS", "EXAMPLES", "SEE ALSO"]


def main():
    program, page = sys.argv[1], os.path.join(sys.argv[2], "docs", "kestrove.1")
    if shutil.which("groff") is None:
        print("note: groff is not installed; manual page check skipped")
        return 0
    groff = subprocess.run(["groff", "-man", "-Tutf8", "-ww", "-P-cbou", page],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           env=dict(os.environ, LC_ALL="C.UTF-8", GROFF_NO_SGR="1"))
    text = groff.stdout.decode("utf-8")
    failures = []
    if groff.returncode or groff.stderr.strip():
        failures.append("groff exited with %d and reported:\n%s"
                        % (groff.returncode, groff.stderr.decode("utf-8")))
    headings = {line.strip() for line in text.splitlines() if line[:1].strip()}
    failures += ["section %s is missing" % s for s in SECTIONS if s not in headings]

    usage = subprocess.run([program, "-h"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if usage.returncode != 0:
        failures.append("kestrove -h exited with %d" % usage.returncode)
    # As the page writes them: -v, -pfile (from -p<file>), -min; and -cell of the usage line.
    options = {"-cell"} | {m[1] + m[2] for m in re.finditer(
        r"^\s*(-[A-Za-z]+)<?([a-z]*)", usage.stderr.decode("latin-1"), re.M)}
    for option in sorted(options):  # it must start a word and not run on into a longer one
        if not re.search(r"(^|[\s,(])" + re.escape(option) + r"(?![A-Za-z])", text, re.M):
            failures.append("option %s of the usage text is not described" % option)
    if "kestrove 1.1" not in text:
        failures.append("the page footer does not name version 1.1")
    return report(failures, "manual page renders cleanly and lists every option")


if __name__ == "__main__":
    sys.exit(main())
