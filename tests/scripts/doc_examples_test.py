#!/usr/bin/env python3
"""Runs the examples of README.md and docs/guide.md as a reader would. A fence's
word after the backticks marks them:
  ```console           "$ " lines are commands, run in turn by sh; the lines up to
                       the next command are their standard output and error, exactly
  ```sdf file=NAME     the whole of the file NAME
  ```sdf excerpt=NAME  these lines stand, one after the other, in NAME
  ```sdf squeezed=NAME this text stands in NAME once both have every run of white
                       space made one blank and blanks next to brackets dropped
Each document runs in one scratch folder holding a copy of examples/, with
kestrove on the PATH; a command starts where the one before left (cd), and
file blocks are read there. An unmarked block holding a kestrove command is
an error, so no example escapes the check.

Arguments: <kestrove binary> <project root> [<shared dir>].
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
from testlib import report  # noqa: E402

# A command runs in the folder the one before left, and sees its exit status as $?.
STEP = 'cd "$1" || exit 125\n(exit "$2")\n%s\nstatus=$?\npwd > "$3"\nexit $status\n'


def blocks(text):
    """(line number, info words, body) of each fenced block, a block indented
    under a list item losing the indent of its fence."""
    lines, k = text.split("\n"), 0
    while k < len(lines):
        fence = re.match(r"( *)```", lines[k])
        if fence:
            indent = fence.group(1)
            end = next(j for j in range(k + 1, len(lines)) if lines[j] == indent + "```")
            yield k + 1, lines[k][fence.end():].split(), \
                "".join(line[len(indent):] + "\n" for line in lines[k + 1:end])
            k = end
        k += 1


def squeeze(text):
    return re.sub(r" ?([()]) ?", r"\1", re.sub(r"\s+", " ", text)).strip()


def holds(kind, path, body):
    with open(path, encoding="latin-1", newline="") as f:
        data = f.read()
    if kind == "file":
        return data == body
    if kind == "excerpt":
        return ("\n" + body) in ("\n" + data + ("" if data.endswith("\n") else "\n"))
    return squeeze(body) in squeeze(data)


def run_document(program, root, document, text):
    work = tempfile.mkdtemp(prefix="kestrove-doc-")
    failures, ran = [], 0
    try:
        os.mkdir(os.path.join(work, "bin"))
        os.symlink(os.path.abspath(program), os.path.join(work, "bin", "kestrove"))
        env = dict(os.environ, LC_ALL="C", PATH=os.path.join(work, "bin") + os.pathsep
                   + os.environ.get("PATH", ""))
        folder, status, where = os.path.join(work, "session"), 0, os.path.join(work, "pwd")
        shutil.copytree(os.path.join(root, "examples"), os.path.join(folder, "examples"))
        for line, info, body in blocks(text):
            marks = dict(word.split("=", 1) for word in info[1:] if "=" in word)
            label = "%s:%d" % (document, line)
            if info[:1] == ["console"]:
                for step in re.split(r"^\$ ", body, flags=re.M)[1:]:
                    command, _, shown = step.partition("\n")
                    proc = subprocess.run(["sh", "-c", STEP % command, "sh", folder, str(status), where],
                                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env,
                                          timeout=60)
                    ran, status = ran + 1, proc.returncode
                    with open(where) as f:
                        folder = f.read().rstrip("\n")
                    if proc.stdout.decode("latin-1") != shown:
                        failures.append("%s: `%s` printed\n%s---- instead of\n%s----"
                                        % (label, command, proc.stdout.decode("latin-1"), shown))
            for kind in ("file", "excerpt", "squeezed"):
                if kind in marks:
                    ran += 1
                    path = os.path.join(folder, marks[kind])
                    if not os.path.isfile(path) or not holds(kind, path, body):
                        failures.append("%s: %s does not hold the text shown (%s)" % (label, marks[kind], kind))
            if not marks and info[:1] != ["console"] and (
                    re.search(r"^(\$ |kestrove -\w)", body, re.M) or " | kestrove " in body):
                failures.append("%s: a kestrove command in a block not marked as an example" % label)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return failures + (["%s: no marked examples found" % document] if ran == 0 else []), ran


def main():
    program, root = sys.argv[1], sys.argv[2]
    failures, total = [], 0
    for document in ("README.md", os.path.join("docs", "guide.md")):
        with open(os.path.join(root, document), encoding="utf-8") as f:
            found, ran = run_document(program, root, document, f.read())
        failures, total = failures + found, total + ran
    return report(failures, "%d example commands and file excerpts of the documents hold" % total)


if __name__ == "__main__":
    sys.exit(main())
