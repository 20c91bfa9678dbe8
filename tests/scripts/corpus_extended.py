#!/usr/bin/env python3
"""Remapping real-world SDF files, read plainly and with -E. For each cell type
of each <shared-dir>/corpus/sdf/*.sdf a template is made from its first cell
(INSTANCE u0, its ABSOLUTE IOPATHs with their COND but no RETAIN, its SETUP,
HOLD, SETUPHOLD, WIDTH and PERIOD checks, each value a parameter name), and the
file is remapped for that type alone without defaults. Read plainly, a pair may
only be refused for a construct rejected by design; with -E only for the
reasons of KEPT_REFUSALS, so every other cell must parse, match and be written.

Usage: corpus_extended.py <kestrove> <project-root> <shared-dir>
"""
import concurrent.futures
import os
import re
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
from testlib import SKIPPED, shared_corpus_or_skip  # noqa: E402

TOKEN = re.compile(rb'\s+|//[^\n]*|/\*.*?(?:\*/|\Z)|"[^"]*"?|[()]|(?:\\.|[^\s()"\\])+', re.S)
VALUE_PART = re.compile(rb'[-+0-9.eE:]*$')
KEPT_CHECKS = {b"SETUP", b"HOLD", b"SETUPHOLD", b"WIDTH", b"PERIOD"}
# What the plain reader says about a minus sign or a leading deltype block;
# a PATH or INTERCONNECT value with a minus sign fails without a message.
EXTENDED_REASONS = ("Malformed triple", "Malformed IOPATH", "Only ABSOLUTE delays supported",
                    "(no message)")
# Refusals -E keeps, by file: a version the tool does not read, single values
# in a file that began with min:typ:max, a generated template the template
# reader refuses.
KEPT_REFUSALS = {"f4pga-sdf__modulo6.sdf": "SDF file must be vesrion",
                 "ise-netgen__clock_mmcm_timesim.sdf": "Expecting ':'",
                 "f4pga-sdf__test1.sdf": ".sdft, line"}


def tokens(data):
    return [m.group() for m in TOKEN.finditer(data) if not m.group()[:1].isspace()
            and not m.group().startswith((b"//", b"/*"))]


def close_of(toks, k):
    """Index of the ')' that closes the '(' at k."""
    depth = 0
    for j in range(k, len(toks)):
        depth += {b"(": 1, b")": -1}.get(toks[j], 0)
        if depth == 0:
            return j
    return len(toks) - 1


def groups(toks, k, end):
    """(start, close) of each bracketed group directly inside (k, end)."""
    j = k
    while j < end:
        if toks[j] == b"(":
            c = close_of(toks, j)
            yield j, c
            j = c
        j += 1


def keyword(toks, k):
    return toks[k + 1].upper() if k + 1 < len(toks) else b""


def template_entry(toks, k, end, names):
    """The entry's text with RETAIN dropped and each value a parameter name."""
    out, j = [], k
    while j <= end:
        if toks[j] == b"(" and keyword(toks, j) == b"RETAIN":
            j = close_of(toks, j) + 1
            continue
        if toks[j] == b"(":
            c = close_of(toks, j)
            if all(VALUE_PART.match(t) for t in toks[j + 1:c]):
                names.append(b"t%d" % len(names))
                out.append(b"(%s:%s:%s)" % (names[-1], names[-1], names[-1]))
                j = c + 1
                continue
        out.append(toks[j])
        j += 1
    return b" ".join(out).replace(b"( ", b"(").replace(b" )", b")")


def make_template(toks, k, end, celltype):
    iopaths, checks, names = [], [], []
    for g, c in groups(toks, k + 1, end):
        if keyword(toks, g) == b"DELAY":
            for d, dc in groups(toks, g + 1, c):
                if keyword(toks, d) == b"ABSOLUTE":
                    iopaths += [template_entry(toks, e, ec, names) for e, ec in groups(toks, d + 1, dc)
                                if keyword(toks, e) == b"IOPATH" or
                                (keyword(toks, e) == b"COND" and b"IOPATH" in
                                 [t.upper() for t in toks[e:ec]])]
        elif keyword(toks, g) == b"TIMINGCHECK":
            checks += [template_entry(toks, e, ec, names) for e, ec in groups(toks, g + 1, c)
                       if keyword(toks, e) in KEPT_CHECKS]
    text = b'(CELL (CELLTYPE %s) (INSTANCE u0)\n' % celltype
    if iopaths:
        text += b"  (DELAY (ABSOLUTE\n" + b"".join(b"    %s\n" % e for e in iopaths) + b"  ))\n"
    if checks:
        text += b"  (TIMINGCHECK\n" + b"".join(b"    %s\n" % e for e in checks) + b"  )\n"
    return text + b")\n"


def first_cells(data):
    """The template text of each cell type's first cell, in file order."""
    toks, found = tokens(data), {}
    for k, c in groups(toks, 1, len(toks)):
        if keyword(toks, k) != b"CELL":
            continue
        for g, _ in groups(toks, k + 1, c):
            if keyword(toks, g) == b"CELLTYPE" and toks[g + 2] not in found:
                found[toks[g + 2]] = make_template(toks, k, c, toks[g + 2])
    return found


def run(program, work, path, cell, extended):
    """None when the run exits 0, else the reason it was refused."""
    args = [program] + (["-E"] if extended else []) + \
        ["-n", "-l" + os.devnull, "-cell", cell, path]
    proc = subprocess.run(args, cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if proc.returncode == 0:
        return None
    lines = proc.stderr.decode(errors="replace").splitlines()
    errors = [line for line in lines if " Error " in line or "Fatal" in line]
    return "status %d: %s" % (proc.returncode, errors[0] if errors else "(no message)")


def main():
    program = os.path.abspath(sys.argv[1])
    paths = shared_corpus_or_skip(sys.argv[3], "it is all this check reads")
    if not paths:
        return SKIPPED
    with tempfile.TemporaryDirectory(prefix="kestrove-extended-") as work:
        pairs = []
        for path in paths:
            with open(path, "rb") as f:
                for celltype, text in first_cells(f.read()).items():
                    cell = "c%d" % len(pairs)
                    with open(os.path.join(work, cell + ".sdft"), "wb") as t:
                        t.write(text)
                    pairs.append((path, celltype.decode(errors="replace"), cell))
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            plain = list(pool.map(lambda p: run(program, work, p[0], p[2], False), pairs))
            extended = list(pool.map(lambda p: run(program, work, p[0], p[2], True), pairs))
    wrong = 0
    for (path, celltype, _), reason, plain_reason in zip(pairs, extended, plain):
        kept = KEPT_REFUSALS.get(os.path.basename(path), "(none)")
        for mode, why, allowed in (("-E", reason, (kept,)),
                                   ("plain", plain_reason, EXTENDED_REASONS + (kept,))):
            if why and not any(r in why for r in allowed):
                wrong += 1
                print("FAIL %s %s %s: %s" % (mode, os.path.basename(path), celltype, why))
    print("%d pairs in %d files: %d exit 0 read plainly, %d with -E"
          % (len(pairs), len(paths), plain.count(None), extended.count(None)))
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
