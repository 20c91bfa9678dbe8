#!/usr/bin/env python3
"""Runs the examples of README.md and docs/guide.md as a reader would, and
checks that they show what the documents say they show.

The documents mark their examples with the word after a fence's three backticks:
  ```console          lines beginning "$ " are commands, run one after the other
                      by sh; the lines up to the next command are what it prints,
                      standard output and standard error as one text, exactly.
  ```sdf file=NAME    the whole of the file NAME, byte for byte.
  ```sdf excerpt=NAME these lines stand, one after the other, in the file NAME.
  ```sdf squeezed=NAME this text stands in the file NAME once both are squeezed:
                      every run of white space made one blank, and blanks next
                      to a bracket dropped (a short form of one entry per line).
(any word may stand in place of "sdf"). Each document is worked through in order
in one scratch folder holding a copy of examples/, with `kestrove` on the PATH;
the commands keep the folder that a `cd` moved them to, and file blocks are read
where the commands before them left them. A fenced block that is not marked but
holds a kestrove command line is an error, so no example escapes the check.

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

DOCUMENTS = ["README.md", os.path.join("docs", "guide.md")]

# A command runs in the folder the one before left, and sees its exit status as $?.
STEP = '''cd "$1" || exit 125
(exit "$2")
%s
status=$?
pwd > "$3"
exit $status
'''


def blocks(text):
    """(line number, info words, body) of each fenced block; a block indented
    under a list item loses the indent of its fence."""
    found, lines, k = [], text.split("\n"), 0
    while k < len(lines):
        fence = re.match(r"( *)```", lines[k])
        if fence:
            indent = fence.group(1)
            end = next(j for j in range(k + 1, len(lines)) if lines[j] == indent + "```")
            body = "".join(line[len(indent):] + "\n" for line in lines[k + 1:end])
            found.append((k + 1, lines[k][fence.end():].split(), body))
            k = end
        k += 1
    return found


def commands(body):
    """[(command, shown output)] of a console block."""
    steps = []
    for line in body.splitlines(True):
        if line.startswith("$ "):
            steps.append([line[2:].rstrip("\n"), ""])
        elif steps:
            steps[-1][1] += line
    return steps


def squeeze(text):
    return re.sub(r" ?([()]) ?", r"\1", re.sub(r"\s+", " ", text)).strip()


def check_file(kind, name, body, folder):
    path = os.path.join(folder, name)
    if not os.path.isfile(path):
        return "file %s does not exist" % name
    with open(path, encoding="latin-1", newline="") as f:
        data = f.read()
    if kind == "file":
        ok = data == body
    elif kind == "excerpt":
        ok = ("\n" + body) in ("\n" + data + ("" if data.endswith("\n") else "\n"))
    else:
        ok = squeeze(body) in squeeze(data)
    return None if ok else "%s does not hold the text shown (%s)" % (name, kind)


def run_document(program, root, document, text):
    work = tempfile.mkdtemp(prefix="kestrove-doc-")
    failures, ran = [], 0
    try:
        os.mkdir(os.path.join(work, "bin"))
        os.symlink(os.path.abspath(program), os.path.join(work, "bin", "kestrove"))
        env = dict(os.environ, LC_ALL="C", PATH=os.path.join(work, "bin") + os.pathsep
                   + os.environ.get("PATH", ""))
        session = os.path.join(work, "session")
        shutil.copytree(os.path.join(root, "examples"), os.path.join(session, "examples"))
        folder, status, where = session, 0, os.path.join(work, "pwd")
        for line, info, body in blocks(text):
            marks = dict(word.split("=", 1) for word in info[1:] if "=" in word)
            label = "%s:%d" % (document, line)
            if info[:1] == ["console"]:
                for command, shown in commands(body):
                    proc = subprocess.run(["sh", "-c", STEP % command, "sh", folder, str(status),
                                           where], stdout=subprocess.PIPE,
                                          stderr=subprocess.STDOUT, env=env, timeout=60)
                    ran += 1
                    status = proc.returncode
                    with open(where) as f:
                        folder = f.read().rstrip("\n")
                    got = proc.stdout.decode("latin-1")
                    if got != shown:
                        failures.append("%s: `%s` printed\n%s---- instead of\n%s----"
                                        % (label, command, got, shown))
            elif marks:
                for kind in ("file", "excerpt", "squeezed"):
                    if kind in marks:
                        ran += 1
                        failure = check_file(kind, marks[kind], body, folder)
                        if failure:
                            failures.append("%s: %s" % (label, failure))
            elif re.search(r"^(\$ |kestrove -\w)", body, re.M) or " | kestrove " in body:
                failures.append("%s: a kestrove command in a block not marked as an example"
                                % label)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if ran == 0:
        failures.append("%s: no marked examples found" % document)
    return failures, ran


def main():
    program, root = sys.argv[1], sys.argv[2]
    failures, total = [], 0
    for document in DOCUMENTS:
        with open(os.path.join(root, document), encoding="utf-8") as f:
            found, ran = run_document(program, root, document, f.read())
        failures += found
        total += ran
    return report(failures, "%d example commands and file excerpts of the documents hold"
                  % total)


if __name__ == "__main__":
    sys.exit(main())
