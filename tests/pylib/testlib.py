"""Helpers of the end-to-end tests: run kestrove in a scratch copy of a folder
and compare what it wrote with what was expected, showing a diff."""
import difflib
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import zlib


def read(path):
    with open(path, "rb") as f:
        return f.read()


def read_args(path):  # one argument per line
    with open(path) as f:
        return [line.rstrip("\n") for line in f if line.rstrip("\n")]


def files(top):
    """{path relative to top: contents} of every file under top (none if top is missing)."""
    return {os.path.relpath(os.path.join(root, name), top): read(os.path.join(root, name))
            for root, _, names in os.walk(top) for name in names}


def gunzip_whole(data):
    """The text of data when it is exactly one complete gzip member, else None."""
    d = zlib.decompressobj(16 + zlib.MAX_WBITS)
    try:
        text = d.decompress(data) + d.flush()
    except zlib.error:
        return None
    return text if d.eof and not d.unused_data else None


def run_in_copy(program, folder, args, skip=(), stdin=None):
    """Runs `kestrove <args>` in a scratch copy of folder less the names in skip, reading
    the file stdin (else /dev/null); returns the process, the copied paths and files()."""
    work = tempfile.mkdtemp(prefix="kestrove-test-")
    try:
        for name in set(os.listdir(folder)) - set(skip):
            src = os.path.join(folder, name)
            (shutil.copytree if os.path.isdir(src) else shutil.copy)(src, os.path.join(work, name))
        inputs = set(files(work))
        with open(stdin or os.devnull, "rb") as f:
            proc = subprocess.run(["kestrove"] + args, executable=os.path.abspath(program),
                                  cwd=work, stdin=f, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, timeout=60)
        return proc, inputs, files(work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def compare(want, got):
    """Failure texts of {name: contents} got against want; prints a diff of each difference."""
    failures = []
    for name in sorted(set(want) | set(got)):
        w, g = want.get(name), got.get(name)
        if w is None or g is None:
            failures.append(("missing output file: " if g is None else "unexpected file written: ")
                            + name)
        elif w != g:
            failures.append(name + " differs")
            sys.stdout.writelines(difflib.unified_diff(
                w.decode("latin-1").splitlines(True), g.decode("latin-1").splitlines(True),
                "expected/" + name, "actual/" + name))
            if w[-1:] != b"\n" or g[-1:] != b"\n":
                print("(%s: expected %d bytes, got %d)" % (name, len(w), len(g)))
    return failures


def report(failures, success):  # prints the outcome, returns the exit status
    print("\n".join("FAIL: " + text for text in failures) if failures else success)
    return 1 if failures else 0


# Exit status of a script that could not check all it is meant to; ctest shows
# such a test as skipped (SKIP_RETURN_CODE).
SKIPPED = 77


def project_samples(root):
    """The project's own SDF samples (tests/samples/*.sdf), sorted."""
    return sorted(glob.glob(os.path.join(os.path.abspath(root), "tests", "samples", "*.sdf")))


def shared_corpus_or_skip(shared_dir, instead="only the project's own inputs were checked"):
    """The shared SDF corpus files (<shared_dir>/corpus/sdf/*.sdf), sorted. When there are
    none, prints a line saying so and returns []: the caller checks what it has without
    them and then ends with SKIPPED, not 0, so that the gap shows."""
    paths = sorted(glob.glob(os.path.join(os.path.abspath(shared_dir), "corpus", "sdf", "*.sdf")))
    if not paths:
        print("SKIPPED: no shared SDF corpus at %s/corpus/sdf; %s"
              % (os.path.abspath(shared_dir), instead))
    return paths
