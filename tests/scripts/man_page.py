#!/usr/bin/env python3
"""Checks the manual page docs/kestrove.1.

Renders it with groff (man macros, UTF-8 output, all warnings on) and fails on
any diagnostic. Then checks that the page still describes the program: every
option that the usage text of the built program lists appears in the page,
and the page has the usual sections.

Arguments: <kestrove binary> <project root> [<shared dir>].
Without groff the check is skipped with a note.
"""
import os
import re
import shutil
import subprocess
import sys

SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "FILES",
            "EXIT STATUS", "DIAGNOSTICS", "EXAMPLES", "SEE ALSO"]


def render(page):
    env = dict(os.environ, LC_ALL="C.UTF-8", GROFF_NO_SGR="1")
    proc = subprocess.run(
        ["groff", "-man", "-Tutf8", "-ww", "-P-cbou", page],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    return proc.returncode, proc.stdout.decode("utf-8"), proc.stderr.decode("utf-8")


def usage_options(program):
    """The options named in the usage text as the page writes them: -v,
    -pfile (from -p<file>), -min, and -cell."""
    proc = subprocess.run([program, "-h"], stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE)
    if proc.returncode != 0:
        raise SystemExit("FAIL: %s -h exited with %d" % (program, proc.returncode))
    text = proc.stderr.decode("latin-1")
    options = set()
    for line in text.splitlines():
        match = re.match(r"\s*(-[A-Za-z]+(?:<[a-z]+>)?)", line)
        if match:
            options.add(match.group(1).replace("<", "").replace(">", ""))
    options.add("-cell")
    return sorted(options)


def main():
    program, root = sys.argv[1], sys.argv[2]
    page = os.path.join(root, "docs", "kestrove.1")
    if shutil.which("groff") is None:
        print("note: groff is not installed; manual page check skipped")
        return 0
    if not os.path.exists(page):
        print("FAIL: %s is missing" % page)
        return 1

    failures = []
    status, text, diagnostics = render(page)
    if status != 0:
        failures.append("groff exited with status %d" % status)
    if diagnostics.strip():
        failures.append("groff reported:\n" + diagnostics)

    headings = {line.strip() for line in text.splitlines()
                if line and not line[0].isspace()}
    for section in SECTIONS:
        if section not in headings:
            failures.append("section %s is missing" % section)

    # An option must start a word and not run on into a longer one.
    for option in usage_options(program):
        if not re.search(r"(^|[\s,(])" + re.escape(option) + r"(?![A-Za-z])", text, re.M):
            failures.append("option %s of the usage text is not described" % option)

    if "kestrove 1.1" not in text:
        failures.append("the page footer does not name version 1.1")

    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print("manual page renders cleanly and lists every option")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
