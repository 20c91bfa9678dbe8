#!/usr/bin/env python3
"""Installs the build into a temporary prefix: the program lands in bin/, the
manual page, as in docs/, in share/man/man1/ where man finds it, and the
installed program behaves like the built one on examples/second.

Arguments: <kestrove binary in its build directory> <project root> [<shared dir>].
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
from testlib import read, read_args, report, run_in_copy  # noqa: E402


def check_install(program, root, prefix):
    build = os.path.dirname(os.path.abspath(program))
    proc = subprocess.run(["cmake", "--install", build, "--prefix", prefix],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if proc.returncode != 0:
        return [proc.stdout.decode("latin-1") + "cmake --install exited with %d" % proc.returncode]
    installed = os.path.join(prefix, "bin", "kestrove")
    page = os.path.join(prefix, "share", "man", "man1", "kestrove.1")
    if not os.access(installed, os.X_OK):
        return ["bin/kestrove was not installed as an executable"]
    if not os.path.exists(page) or read(page) != read(os.path.join(root, "docs", "kestrove.1")):
        return ["share/man/man1/kestrove.1 is missing or differs from docs/kestrove.1 (a build "
                "directory configured before the page existed needs cmake to be run again)"]
    failures = []
    if not shutil.which("man"):
        print("note: man is not installed; lookup through MANPATH not checked")
    elif subprocess.run(["man", "-M", os.path.join(prefix, "share", "man"), "-w", "kestrove"],
                        stdout=subprocess.PIPE).stdout.decode().strip() != page:
        failures.append("man -M <prefix>/share/man -w kestrove does not find the page")
    version = subprocess.run([installed, "-V", "-h"], stderr=subprocess.PIPE).stderr
    if not version.startswith(b"kestrove version 1.1\n"):
        failures.append("installed kestrove -V printed %r" % version[:60])
    example = os.path.join(root, "examples", "second")

    def outcome(binary):
        proc, _, written = run_in_copy(binary, example, read_args(os.path.join(example, "args")),
                                       ("expected",))
        return proc.returncode, proc.stdout, proc.stderr, written

    if outcome(installed) != outcome(program):
        failures.append("installed and built programs differ on examples/second")
    return failures


def main():
    with tempfile.TemporaryDirectory(prefix="kestrove-install-") as prefix:
        failures = check_install(sys.argv[1], os.path.abspath(sys.argv[2]), prefix)
    return report(failures, "install places the program and the manual page, "
                            "and the installed program runs")


if __name__ == "__main__":
    sys.exit(main())
