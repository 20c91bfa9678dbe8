#!/usr/bin/env python3
"""Pass-through of real-world SDF files whose cells all lack templates.

Usage: corpus_passthrough.py <kestrove> <project-root> <shared-dir>

For every <shared-dir>/corpus/sdf/*.sdf the program runs with a template for
a cell type that no file uses, so every cell is copied. The expected output
is derived here from the input alone, with a scanner of its own:
  - the text up to the first CELL, except that blanks and comments between a
    header entry's '(' and its keyword are dropped;
  - for each CELL: "(CELL\\n    (CELLTYPE \\"<name>\\")\\n" and the input's
    text from the end of the CELLTYPE entry through the cell's ')';
  - for any other top-level block: '(' and the block from its keyword on;
  - nothing between blocks and nothing after the DELAYFILE's last block.
A file whose SDFVERSION names no readable version is expected to be refused
with the version error, its output ending where the version text starts.
"""
import os
import re
import subprocess
import sys
import tempfile

BLANKS = b" \t\n\r\v\f"
TEMPLATE = b'(CELL (CELLTYPE "NO_SUCH_CELL_TYPE") (INSTANCE u0)\n' \
           b'  (DELAY (ABSOLUTE (IOPATH A Y (tpd:tpd:tpd)))))\n'


class Mismatch(Exception):
    pass


def skip_blanks(data, i):
    """Index of the first character at or after i that is no blank or comment."""
    while i < len(data):
        if data[i] in BLANKS:
            i += 1
        elif data.startswith(b"/*", i):
            end = data.find(b"*/", i + 2)
            i = len(data) if end < 0 else end + 2
        elif data.startswith(b"//", i):
            end = data.find(b"\n", i)
            i = len(data) if end < 0 else end + 1
        else:
            break
    return i


def word_at(data, i):
    m = re.compile(rb"[A-Za-z]+").match(data, i)
    return m.group(0) if m else data[i:i + 1]


def group_end(data, i):
    """Index just past the ')' closing the group whose '(' lies before i."""
    depth, in_string = 0, False
    while i < len(data):
        c = data[i:i + 1]
        if in_string:
            in_string = c != b'"'
        elif c == b'"':
            in_string = True
        elif data.startswith(b"/*", i) or data.startswith(b"//", i):
            i = skip_blanks(data, i)
            continue
        elif c == b"(":
            depth += 1
        elif c == b")":
            if depth == 0:
                return i + 1
            depth -= 1
        i += 1
    raise Mismatch("unclosed group")


def header(data):
    """The copied header and the index of the first CELL's '('."""
    first = skip_blanks(data, 0)
    out = bytearray(data[:first + 1])
    i = first + 1
    while i < len(data):
        sig = skip_blanks(data, i)
        out += data[i:sig]
        if sig >= len(data):
            break
        if data[sig:sig + 1] != b"(":
            out += data[sig:sig + 1]
            i = sig + 1
            continue
        kw = skip_blanks(data, sig + 1)
        if word_at(data, kw).upper() == b"CELL":
            return bytes(out), sig
        out += b"("
        i = kw
    raise Mismatch("no CELL")


def cell_copy(data, open_at):
    kw = skip_blanks(data, open_at + 1)
    i = kw + 4
    while True:
        i = skip_blanks(data, i)
        word = word_at(data, i)
        i += len(word)
        if word.upper() == b"CELLTYPE":
            break
    quote = skip_blanks(data, i)
    close = data.index(b'"', quote + 1)
    after_celltype = group_end(data, close + 1)
    end = group_end(data, after_celltype)
    text = b'(CELL\n    (CELLTYPE "' + data[quote + 1:close] + b'")\n'
    return text + data[after_celltype:end], end


def expected_output(data):
    out, i = header(data)
    while True:
        i = skip_blanks(data, i)
        c = data[i:i + 1]
        if c == b")" or not c:
            return out
        if c != b"(":
            i += len(word_at(data, i))
            continue
        kw = skip_blanks(data, i + 1)
        if word_at(data, kw).upper() == b"CELL":
            text, i = cell_copy(data, i)
        else:
            i = group_end(data, kw + len(word_at(data, kw)))
            text = b"(" + data[kw:i]
        out += text


def refused_version(data, name):
    """(output, stderr) of a file refused for its version, or None."""
    m = re.search(rb'\(\s*SDFVERSION\s*"([^"\n]*)"', data)
    if not m or any(v in m.group(1) for v in (b"2.1", b"3.0", b"4.0")):
        return None
    line = data.count(b"\n", 0, m.start(1)) + 1
    error = "%s, line %d - Error : SDF file must be vesrion 2.1, 3.0 or 4.0\n" % (name, line)
    return data[:m.start(1) - 1], error.encode()


def check(program, path, work):
    with open(path, "rb") as f:
        data = f.read()
    out_path = os.path.join(work, "out.sdf")
    if os.path.exists(out_path):
        os.remove(out_path)
    run = subprocess.run([program, "-q", "-n", "-cell", "spare", path, out_path],
                         cwd=work, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    with open(out_path, "rb") as f:
        got = f.read()
    refused = refused_version(data, path)
    want, want_err = refused if refused else (expected_output(data), b"")
    problems = []
    if run.returncode != 1:
        problems.append("status %d" % run.returncode)
    if run.stderr != want_err:
        problems.append("stderr %r" % run.stderr[:300])
    if got != want:
        at = next((k for k in range(min(len(got), len(want))) if got[k] != want[k]),
                  min(len(got), len(want)))
        problems.append("output differs at byte %d: want %r, got %r"
                        % (at, want[at:at + 60], got[at:at + 60]))
    return problems


def main():
    program, shared = os.path.abspath(sys.argv[1]), sys.argv[3]
    corpus = os.path.join(shared, "corpus", "sdf")
    files = sorted(f for f in os.listdir(corpus) if f.endswith(".sdf")) \
        if os.path.isdir(corpus) else []
    if not files:
        print("note: no SDF corpus under %s; nothing checked" % corpus)
        return 0
    failed = 0
    with tempfile.TemporaryDirectory(prefix="kestrove-corpus-") as work:
        with open(os.path.join(work, "spare.sdft"), "wb") as f:
            f.write(TEMPLATE)
        for name in files:
            problems = check(program, os.path.join(corpus, name), work)
            print("%s %s" % ("FAIL" if problems else "ok  ", name))
            for problem in problems:
                print("     " + problem)
            failed += bool(problems)
    print("%d of %d files failed" % (failed, len(files)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
