#!/usr/bin/env python3
"""Pass-through of real-world SDF files whose cells all lack templates: each
of tests/samples/*.sdf and <shared-dir>/corpus/sdf/*.sdf is run with a template
of a cell type no file uses, and its output compared with one derived by a
scanner of this script's own: the text up to the first CELL, less blanks and
comments between a header entry's '(' and its keyword; each CELL as
"(CELL\\n    (CELLTYPE \\"<name>\\")\\n" and its text after the CELLTYPE entry;
any other top-level block as '(' and its text from its keyword on; nothing
between or after blocks. A file of no readable SDFVERSION is refused with the
version error, its output ending where the version text starts.

Usage: corpus_passthrough.py <kestrove> <project-root> <shared-dir>
"""
import os
import re
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
from testlib import SKIPPED, project_samples, shared_corpus_or_skip  # noqa: E402

# Blanks and comments, words, single characters; and strings, which the header
# knows nothing of: there a '(' inside a string is like any other.
BLANK = rb'(?P<blank>(?:[ \t\n\r\v\f]|/\*.*?(?:\*/|\Z)|//[^\n]*\n?)+)'
HEADER = re.compile(BLANK + rb'|[A-Za-z]+|.', re.S)
BODY = re.compile(BLANK + rb'|"[^"]*"?|[A-Za-z]+|.', re.S)
TEMPLATE = b'(CELL (CELLTYPE "NO_SUCH_CELL_TYPE") (INSTANCE u0)\n' \
           b'  (DELAY (ABSOLUTE (IOPATH A Y (tpd:tpd:tpd)))))\n'


def tokens(pattern, data, start=0):
    """Upper-case texts and (start, end) spans of the tokens but blanks and comments;
    the texts end with b"" for the end of input."""
    found = [m for m in pattern.finditer(data, start) if not m.group("blank")]
    return [m.group().upper() for m in found] + [b""], [m.span() for m in found]


def past_close(words, k):
    """Index of the token after the ')' closing the group open before words[k]."""
    depth = 0
    while depth >= 0:
        if not words[k]:
            raise ValueError("unclosed group")
        depth += {b"(": 1, b")": -1}.get(words[k], 0)
        k += 1
    return k


def expected_output(data):
    words, at = tokens(HEADER, data)
    k = next(k for k in range(1, len(at)) if words[k:k + 2] == [b"(", b"CELL"])
    out = data[:at[0][1]]  # through the DELAYFILE's '('
    for j in range(1, k + 1):  # less the blanks after the '(' of each header entry
        start = at[j][0] if j > 1 and words[j - 1] == b"(" else at[j - 1][1]
        out += data[start:at[j][1] if j < k else at[j][0]]
    words, at = tokens(BODY, data, at[k][0])
    k = 0
    while words[k] not in (b")", b""):
        if words[k] != b"(":
            k += 1
            continue
        end = past_close(words, k + 1)
        if words[k + 1] == b"CELL":
            name = words.index(b"CELLTYPE", k) + 1
            after = past_close(words, name + 1)
            out += b'(CELL\n    (CELLTYPE "' + data[at[name][0] + 1:at[name][1] - 1] \
                + b'")\n' + data[at[after - 1][1]:at[end - 1][1]]
        else:
            out += b"(" + data[at[k + 1][0]:at[end - 1][1]]
        k = end
    return out


def expected_run(data, name):
    """(output, standard error) of the program on a file named name."""
    m = re.search(rb'\(\s*SDFVERSION\s*"([^"\n]*)"', data)
    if not m or any(v in m.group(1) for v in (b"2.1", b"3.0", b"4.0")):
        return expected_output(data), b""
    line = data.count(b"\n", 0, m.start(1)) + 1
    return data[:m.start(1) - 1], b"%s, line %d - Error : SDF file must be vesrion 2.1, " \
        b"3.0 or 4.0\n" % (name.encode(), line)


def check(program, path, work):
    """Problems of the run on the file path, with the output written into work."""
    out = os.path.join(work, os.path.basename(path))
    run = subprocess.run([program, "-q", "-n", "-cell", "spare", path, out], cwd=work,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    with open(path, "rb") as f, open(out, "rb") as g:
        (want, want_err), got = expected_run(f.read(), path), g.read()
    problems = [] if run.returncode == 1 else ["status %d" % run.returncode]
    if run.stderr != want_err:
        problems.append("stderr %r" % run.stderr[:300])
    if got != want:
        at = next((k for k, (a, b) in enumerate(zip(got, want)) if a != b),
                  min(len(got), len(want)))
        problems.append("output differs at byte %d: want %r, got %r"
                        % (at, want[at:at + 60], got[at:at + 60]))
    return problems


def main():
    program = os.path.abspath(sys.argv[1])
    corpus = shared_corpus_or_skip(sys.argv[3])
    paths = project_samples(sys.argv[2]) + corpus
    failed = 0
    with tempfile.TemporaryDirectory(prefix="kestrove-corpus-") as work:
        with open(os.path.join(work, "spare.sdft"), "wb") as f:
            f.write(TEMPLATE)
        for path in paths:
            problems = check(program, path, work)
            print("%s %s" % ("FAIL" if problems else "ok  ", os.path.basename(path)))
            print("".join("     %s\n" % p for p in problems), end="")
            failed += bool(problems)
    print("%d of %d files failed" % (failed, len(paths)))
    return 1 if failed else 0 if corpus else SKIPPED


if __name__ == "__main__":
    sys.exit(main())
