#!/usr/bin/env python3
"""Runs the program on prefixes of real SDF files: it must end with status 0
or 1 and its usual messages (or, for a compressed input cut short, status 2
after a final read failure), never crash, hang or write anything but its
output file and audit log.

    truncation_sweep.py <kestrove> <project-root> <shared-dir>

Subjects are the project's SDF samples and the shared SDF corpus when it is
there (each file with a template generated for
its most common cell type, so that prefixes reach the cell parser and the
matchers, not only the pass-through) and the input of every golden case,
run with that case's own arguments and files. Small inputs are cut at every
length; larger ones at evenly spaced points, as many as the time budget
allows: the cost of a run is measured first, so that the sweep stays within
SWEEP_BUDGET seconds (default 40) on a slow or busy machine too.
"""
import collections
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
from testlib import SKIPPED, project_samples, shared_corpus_or_skip  # noqa: E402

BUDGET = float(os.environ.get("SWEEP_BUDGET", "40"))
WORKERS = 2
SMALL = 256          # inputs up to this size are cut at every length
MIN_CUTS = 12        # fewest cut points of a larger input
MAX_CUTS = 400       # most cut points of one input
HANG_SECONDS = 30

# The forms a line of standard error may take: located and plain messages,
# the fatal form and its closing line, file summaries, the banner, the
# allocation failure, the information messages of -v, and the empty line a
# message ending in "\n" leaves.
STDERR_LINE = re.compile(
    r"^(?:"
    r"|.* - (?:Error|Warning) : .*"
    r"|kestrove : (?:Reading template file \".*\"|Template read succeeded"
    r"|Remapping instance \".*\" of cell \".*\"|Done)"
    r"|(?:.* - )?Fatal internal error [0-9a-f]{8} : .*"
    r"|\*\*\*\* Please contact .* technical support\. \*\*\*\*"
    r"|.* : \d+ (?:warnings?|errors?)\b.*"
    r"|(?:Error|Warning) : .*"
    r"|\t.*"
    r"|Memory allocation error -- unable to allocate \d+ bytes\."
    r"|Could not open \".*\""
    r")$")
# The last line of a run that failed reading (status 2).
READ_FAILURE = re.compile(r"^kestrove: Error reading '.*': .*$")
SANITIZER = re.compile(rb"AddressSanitizer|UndefinedBehaviorSanitizer|LeakSanitizer|runtime error:")

Subject = collections.namedtuple(
    "Subject", "name data files args input_name out_name log_name")


def read(path):
    with open(path, "rb") as f:
        return f.read()


# ---- subjects from the samples and the shared corpus ------------------------

CELLTYPE = re.compile(rb'\(\s*CELLTYPE\s+"([^"]*)"\s*\)')
IOPATH = re.compile(rb"\(\s*IOPATH\s+(\(\s*\w+\s+[\w\[\]:]+\s*\)|[\w\[\]:]+)\s+([\w\[\]:]+)\s")


def corpus_template(data):
    """A template and defaults for the most common cell type of `data`, with
    the IOPATH ports of its first cell; None when the file has no cell."""
    types = collections.Counter(CELLTYPE.findall(data))
    if not types:
        return None
    celltype = types.most_common(1)[0][0]
    start = data.find(b'"' + celltype + b'"')
    body = data[start:start + 4000]
    paths = []
    for match in IOPATH.finditer(body):
        if match.groups() not in paths:
            paths.append(match.groups())
        if len(paths) == 4:
            break
    if not paths:
        paths = [(b"A", b"Z")]
    ref = paths[0][0]
    lines = [b'(CELL (CELLTYPE "' + celltype + b'") (INSTANCE t)', b" (DELAY (ABSOLUTE"]
    for i, (src, dst) in enumerate(paths):
        lines.append(b"  (IOPATH %s %s (p%d:p%d:p%d) (p%d:p%d:p%d))" % ((src, dst) + (i,) * 6))
    lines.append(b" ))")
    lines.append(b" (TIMINGCHECK (WIDTH %s (w:w:w)) (SETUP D %s (s:s:s))))" % (ref, ref))
    template = b"\n".join(lines) + b"\n"
    defaults = b"TIMES(10 ps)\n" + b"".join(b"p%d = %d\n" % (i, 3 + i) for i in range(len(paths)))
    defaults += b"w = 20\ns = 4\n"
    return template, defaults


def corpus_subjects(label, paths):
    subjects = []
    for path in paths:
        name = os.path.basename(path)
        data = read(path)
        made = corpus_template(data)
        files = {}
        args = ["-lrun.log"]
        if made:
            files = {"T.sdft": made[0], "T_typ.tdef": made[1]}
        else:
            files = {"T.sdft": b'(CELL (CELLTYPE "T") (INSTANCE t))\n'}
        args += ["-cell", "T", "in.sdf", "out.sdf"]
        subjects.append(Subject(label + name, data, files, args, "in.sdf", "out.sdf", "run.log"))
    return subjects


# ---- subjects from the golden cases ----------------------------------------

def golden_subject(case):
    with open(os.path.join(case, "args")) as f:
        args = [line.rstrip("\n") for line in f if line.rstrip("\n") != ""]
    log_name = "kestrove.log"
    positional = []
    i = 0
    while i < len(args):
        arg = args[i]
        if arg == "-cell":
            i += 2
            continue
        if arg.startswith("-l"):
            log_name = arg[2:]
        elif not arg.startswith("-"):
            positional.append(arg)
        i += 1
    files = {}
    for root, _, names in os.walk(case):
        if os.path.relpath(root, case).split(os.sep)[0] == "expected":
            continue
        for name in names:
            rel = os.path.relpath(os.path.join(root, name), case)
            if rel not in ("args", "stdin", "expected.status", "expected.stderr", "expected.stdout"):
                files[rel] = read(os.path.join(root, name))
    if positional:
        input_name = positional[0]
        if input_name not in files:
            return None
        data = files.pop(input_name)
    elif os.path.exists(os.path.join(case, "stdin")):
        input_name = None
        data = read(os.path.join(case, "stdin"))
    else:
        return None
    out_name = positional[1] if len(positional) > 1 else None
    if out_name in files or not data:
        return None  # the run is refused before reading, or there is nothing to cut
    return Subject("golden/" + os.path.basename(case), data, files, args, input_name,
                   out_name, log_name)


def golden_subjects(root):
    folder = os.path.join(root, "tests", "golden")
    subjects = []
    for name in sorted(os.listdir(folder)):
        case = os.path.join(folder, name)
        if os.path.isdir(case) and os.path.exists(os.path.join(case, "args")):
            subject = golden_subject(case)
            if subject:
                subjects.append(subject)
    return subjects


# ---- running ---------------------------------------------------------------

class Runner:
    def __init__(self, program, scratch):
        self.program = program
        self.scratch = scratch
        self.prepared = set()

    def directory(self, subject, worker):
        path = os.path.join(self.scratch, "w%d" % worker, re.sub(r"\W", "_", subject.name))
        key = (subject.name, worker)
        if key not in self.prepared:
            os.makedirs(path)
            for rel, content in subject.files.items():
                os.makedirs(os.path.dirname(os.path.join(path, rel)), exist_ok=True)
                with open(os.path.join(path, rel), "wb") as f:
                    f.write(content)
            self.prepared.add(key)
        return path

    def run_whole(self, subject):
        """Standard error of a run on the whole input."""
        self.last_stderr = b""
        self.run(subject, len(subject.data), 0)
        return self.last_stderr

    def run(self, subject, length, worker):
        """Runs one prefix; returns a list of problems (empty when fine)."""
        work = self.directory(subject, worker)
        prefix = subject.data[:length]
        for name in (subject.out_name, subject.log_name):
            if name and os.path.exists(os.path.join(work, name)):
                os.remove(os.path.join(work, name))
        if subject.input_name:
            with open(os.path.join(work, subject.input_name), "wb") as f:
                f.write(prefix)
        before = snapshot(work)
        try:
            proc = subprocess.run(["kestrove"] + subject.args, executable=self.program, cwd=work,
                                  input=b"" if subject.input_name else prefix,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  timeout=HANG_SECONDS)
        except subprocess.TimeoutExpired:
            return ["no end within %d s" % HANG_SECONDS]
        self.last_stderr = proc.stderr
        problems = []
        lines = proc.stderr.decode("latin-1").split("\n")[:-1]
        read_failure = proc.returncode == 2 and lines and READ_FAILURE.match(lines[-1])
        if read_failure:
            lines.pop()
        elif proc.returncode not in (0, 1):
            problems.append("exit status %d" % proc.returncode)
        if SANITIZER.search(proc.stderr):
            problems.append("sanitizer report")
        for line in lines:
            if not STDERR_LINE.match(line):
                problems.append("unexpected standard error line %r" % line[:200])
                break
        if subject.out_name and proc.stdout:
            problems.append("%d bytes on standard output" % len(proc.stdout))
        after = snapshot(work)
        allowed = {subject.out_name, subject.log_name}
        for rel, state in after.items():
            if rel not in before and rel not in allowed:
                problems.append("wrote " + rel)
            elif rel in before and rel not in allowed and before[rel] != state:
                problems.append("changed " + rel)
        for rel in before:
            if rel not in after:
                problems.append("removed " + rel)
        if proc.returncode == 0 and subject.out_name and subject.out_name not in after:
            problems.append("status 0 without an output file")
        return problems


def snapshot(folder):
    state = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            st = os.stat(path)
            state[os.path.relpath(path, folder)] = (st.st_size, st.st_mtime_ns)
    return state


def cut_points(size, count):
    """`count` lengths spread evenly over 0..size, both ends included."""
    if count >= size + 1:
        return list(range(size + 1))
    return sorted({round(i * size / (count - 1)) for i in range(count)})


def reads_input(subject, runner):
    """False for a case whose run ends before the input is read (no template
    loads), which no cut of the input can change."""
    stderr = runner.run_whole(subject)
    return b"At least one cell must be remapped" not in stderr and b"Error opening" not in stderr


def plan(subjects, runner):
    """Cut points per subject, sized to the budget from measured run costs."""
    probe = max(subjects, key=lambda s: len(s.data))
    start = time.monotonic()
    for _ in range(3):
        runner.run(probe, 0, 0)
    per_run = (time.monotonic() - start) / 3
    start = time.monotonic()
    runner.run(probe, len(probe.data), 0)
    per_byte = max(time.monotonic() - start - per_run, 0) / max(len(probe.data), 1)

    def cost(subject, count):
        return count * (per_run + per_byte * len(subject.data) / 2)

    # Other tests run beside this one, so the two workers rarely both get a core.
    cpu_budget = BUDGET * WORKERS * 0.6
    small = [s for s in subjects if len(s.data) <= SMALL]
    large = [s for s in subjects if len(s.data) > SMALL]
    counts = {s.name: len(s.data) + 1 for s in small}
    small_cost = sum(cost(s, counts[s.name]) for s in small)
    if small_cost > cpu_budget / 2:
        scale = cpu_budget / 2 / small_cost
        for s in small:
            counts[s.name] = max(MIN_CUTS, int(counts[s.name] * scale))
        small_cost = cpu_budget / 2
    share = (cpu_budget - small_cost) / max(len(large), 1)
    for s in large:
        counts[s.name] = max(MIN_CUTS, min(MAX_CUTS, int(share / cost(s, 1))))
    return counts, per_run, per_byte


def main():
    program, root, shared = (os.path.abspath(a) for a in sys.argv[1:4])
    scratch = tempfile.mkdtemp(prefix="kestrove-sweep-")
    try:
        runner = Runner(program, scratch)
        corpus = shared_corpus_or_skip(shared)
        subjects = corpus_subjects("samples/", project_samples(root)) + corpus_subjects("corpus/", corpus)
        subjects += [s for s in golden_subjects(root) if reads_input(s, runner)]
        if not subjects:
            print("no SDF input found to cut; skipping")
            return 0
        counts, per_run, per_byte = plan(subjects, runner)
        jobs = [(s, n) for s in subjects for n in cut_points(len(s.data), counts[s.name])]
        print("%d subjects, %d runs (a run costs %.1f ms + %.1f ms per MB)" % (
            len(subjects), len(jobs), per_run * 1000, per_byte * 1e9))
        failures = []
        start = time.monotonic()

        def work(worker):
            for subject, length in jobs[worker::WORKERS]:
                for problem in runner.run(subject, length, worker):
                    failures.append("%s cut at %d bytes: %s" % (subject.name, length, problem))

        with concurrent.futures.ThreadPoolExecutor(WORKERS) as pool:
            for future in [pool.submit(work, w) for w in range(WORKERS)]:
                future.result()
        print("swept in %.1f s" % (time.monotonic() - start))
        for failure in failures[:50]:
            print("FAIL " + failure)
        if len(failures) > 50:
            print("... and %d more" % (len(failures) - 50))
        return 1 if failures else 0 if corpus else SKIPPED
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
