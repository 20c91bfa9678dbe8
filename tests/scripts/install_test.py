#!/usr/bin/env python3
"""Installs the build into a temporary prefix and checks the result.

`cmake --install <build> --prefix <tmp>` must put the program in bin/ and the
manual page in share/man/man1/ (where man finds it). The installed program
must then behave exactly like the one in the build tree: run on the example
in examples/second, both must write the same output SDF, audit log, standard
error and exit status.

Arguments: <kestrove binary in its build directory> <project root> [<shared dir>].
"""
import os
import shutil
import subprocess
import sys
import tempfile

EXAMPLE = os.path.join("examples", "second")


def run_example(program, example, work):
    """Runs `program` with the example's arguments in a fresh copy of it."""
    shutil.copytree(example, work, ignore=shutil.ignore_patterns("expected", "README.md"))
    with open(os.path.join(example, "args")) as f:
        args = [line.rstrip("\n") for line in f if line.strip()]
    proc = subprocess.run([program] + args, cwd=work, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    files = {}
    for name in sorted(os.listdir(work)):
        path = os.path.join(work, name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                files[name] = f.read()
    return proc.returncode, proc.stdout, proc.stderr, files


def main():
    program = os.path.abspath(sys.argv[1])
    root = os.path.abspath(sys.argv[2])
    build = os.path.dirname(program)
    if not os.path.exists(os.path.join(build, "cmake_install.cmake")):
        print("FAIL: %s is not a configured build directory" % build)
        return 1

    failures = []
    tmp = tempfile.mkdtemp(prefix="kestrove-install-")
    try:
        prefix = os.path.join(tmp, "prefix")
        proc = subprocess.run(["cmake", "--install", build, "--prefix", prefix],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if proc.returncode != 0:
            print(proc.stdout.decode("latin-1"))
            print("FAIL: cmake --install exited with %d" % proc.returncode)
            return 1

        installed = os.path.join(prefix, "bin", "kestrove")
        if not os.access(installed, os.X_OK):
            failures.append("bin/kestrove was not installed as an executable")

        page = os.path.join(prefix, "share", "man", "man1", "kestrove.1")
        source_page = os.path.join(root, "docs", "kestrove.1")
        if not os.path.exists(page):
            failures.append("share/man/man1/kestrove.1 was not installed "
                            "(a build directory configured before the page existed "
                            "needs cmake to be run again)")
        else:
            with open(page, "rb") as a, open(source_page, "rb") as b:
                if a.read() != b.read():
                    failures.append("the installed manual page differs from docs/kestrove.1")
            if shutil.which("man"):
                where = subprocess.run(["man", "-M", os.path.join(prefix, "share", "man"),
                                        "-w", "kestrove"],
                                       stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                if where.stdout.decode().strip() != page:
                    failures.append("man -M <prefix>/share/man -w kestrove found %r"
                                    % where.stdout.decode().strip())
            else:
                print("note: man is not installed; lookup through MANPATH not checked")

        if not failures:
            version = subprocess.run([installed, "-V", "-h"], stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE)
            if not version.stderr.startswith(b"kestrove version 1.1\n"):
                failures.append("installed kestrove -V printed %r" % version.stderr[:60])

            example = os.path.join(root, EXAMPLE)
            got = run_example(installed, example, os.path.join(tmp, "installed"))
            want = run_example(program, example, os.path.join(tmp, "built"))
            labels = ["exit status", "standard output", "standard error", "files"]
            for label, a, b in zip(labels, got, want):
                if a != b:
                    failures.append("installed and built programs differ in their %s" % label)
            if got[0] != 0:
                failures.append("installed program exited with %d on the example" % got[0])
            if "remapped.sdf" not in got[3] or "remap.log" not in got[3]:
                failures.append("the example run did not write remapped.sdf and remap.log")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)

    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print("install places the program and the manual page, and the installed program runs")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
