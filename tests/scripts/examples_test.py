#!/usr/bin/env python3
"""Runs the demo (examples/run-demo.sh) and checks that it shows the input cell,
the remapped cell and the audit paragraphs of its instance, as found in the
input, output and log it names, and writes nothing into examples/.

Runs examples/second (its inputs, `args` with one argument per line, and
expected/ with the output SDF, audit log and standard error) twice, each in a
fresh copy, and compares byte for byte; both must exit 0 and write nothing else:
  files  the command line as given: input and output named on it;
  pipe   the same options with the input on standard input and the output on
         standard output, as in `kestrove ... < design.sdf > remapped.sdf`.

Arguments: <kestrove binary> <project root> [<shared dir>].
"""
import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
from testlib import compare, files, read, read_args, report, run_in_copy  # noqa: E402


def run_case(label, program, example, args, sdf_in=None, sdf_out=None):
    proc, inputs, got = run_in_copy(program, example, args, ("expected", "args", "README.md"),
                                    sdf_in and os.path.join(example, sdf_in))
    got = {name: data for name, data in got.items() if name not in inputs}
    got["stderr"] = proc.stderr
    if sdf_out or proc.stdout:
        got[sdf_out or "stdout"] = proc.stdout
    failures = compare(files(os.path.join(example, "expected")), got)
    if proc.returncode != 0:
        failures.append("exit status %d, expected 0" % proc.returncode)
    return ["%s run: %s" % (label, text) for text in failures]


def block(lines, marker, first, last):
    """The lines from the nearest line `first` before the line `marker` through the
    next line `last`, as text; the cells of the demo files are laid out by indent."""
    at = lines.index(marker)
    start = max(k for k in range(at) if lines[k] == first)
    return "".join(line + "\n" for line in lines[start:lines.index(last, at) + 1])


def log_paragraphs(lines, instance):
    stars = "*" * 60
    banners = [k for k in range(len(lines) - 1) if lines[k] == stars and lines[k + 1] == "*"]
    start = next(k for k in banners if lines[k + 4] == '* Instance "%s"' % instance)
    end = next((k for k in banners if k > start), len(lines))
    while not lines[end - 1]:
        end -= 1
    return "".join(line + "\n" for line in lines[start:end])


def check_demo(program, root):
    examples = os.path.join(os.path.abspath(root), "examples")
    before = files(examples)
    with tempfile.TemporaryDirectory(prefix="kestrove-demo-") as work:
        out = os.path.join(work, "out")
        for _ in range(2):  # the second run finds the first one's files in its folder
            proc = subprocess.run(["sh", os.path.join(examples, "run-demo.sh"),
                                   os.path.abspath(program), out], cwd=work,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        output, log = os.path.join(out, "design_remapped.sdf"), os.path.join(out, "kestrove.log")
        if proc.returncode != 0 or not os.path.exists(output) or not os.path.exists(log):
            return ["demo: exit status %d, no output or log; standard error:\n%s" % (
                proc.returncode, proc.stderr.decode("latin-1"))]

        def lines(path):
            return read(path).decode("latin-1").split("\n")

        shown = [block(lines(os.path.join(examples, "design.sdf")), "    (INSTANCE r1)",
                       "  (CELL", "  )"),
                 block(lines(output), "    (INSTANCE r1/ff)", "  (CELL", "  )"),
                 log_paragraphs(lines(log), "r1")]
        want = ("\n======== instance r1 as read from examples/design.sdf ========\n%s"
                "\n======== instance r1 as written by kestrove ========\n%s"
                "\n======== what the audit log says about it ========\n%s"
                "\nIn the whole output the cells left as they were come first, in input order;\n"
                "the remapped cells follow them.\n"
                "The whole output:    %s\nThe whole audit log: %s\nkestrove exit status: 0\n"
                % tuple(shown + [output, log]))
        failures = compare({"demo stdout": want.encode("latin-1")}, {"demo stdout": proc.stdout})
    # The instance is shown for its renaming and its case-blind cell type match.
    if '"dffr_x2"' not in shown[0] or '"DFFR_X1"' not in shown[1]:
        failures.append("demo: instance r1 no longer shows the cell type match")
    if files(examples) != before:
        failures.append("demo: wrote into examples/")
    return failures


def main():
    program, example = sys.argv[1], os.path.join(sys.argv[2], "examples", "second")
    args = read_args(os.path.join(example, "args"))
    if len(args) < 4 or args[-3] == "-cell" or any(a.startswith("-") for a in args[-2:]):
        return report(["args must end with the input and the output file names"], "")
    failures = check_demo(program, sys.argv[2])
    failures += run_case("files", program, example, args)
    failures += run_case("pipe", program, example, args[:-2], *args[-2:])
    return report(failures, "the demo shows its instance; examples/second reproduces its "
                  "output, audit log and messages")


if __name__ == "__main__":
    sys.exit(main())
