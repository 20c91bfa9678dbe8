#!/usr/bin/env python3
"""Runs every fuzz target for a fixed time, one after the other.

    run_fuzz.py BUILD_DIR [--time SECONDS] [--targets sdf,template,...]

Seeds come from fuzz/seeds/<target>/, from the input files of the golden
cases under tests/golden/ and, for the SDF target, from the project's SDF
samples (tests/samples/) and the shared SDF corpus when it is there; they are copied into BUILD_DIR/seeds/<target>/ at each run. What the
fuzzer learns is kept in BUILD_DIR/corpus/<target>/ between runs; crashing
inputs land in BUILD_DIR/artifacts/<target>/. Executions are added up per
target in BUILD_DIR/fuzz-totals.json. The exit status is 1 when any target
reported a finding.
"""
import argparse
import glob
import json
import os
import re
import shutil
import subprocess
import sys

FUZZ_DIR = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(FUZZ_DIR)
SHARED_SDF = os.path.join(os.path.dirname(ROOT), "shared", "corpus", "sdf")
GOLDEN = os.path.join(ROOT, "tests", "golden")

TARGETS = ["sdf", "template", "tdef", "prefs", "cond"]
# Inputs are kept small for speed: a line piece holds at most 2047
# characters, so longer inputs mostly repeat what shorter ones reach.
MAX_LEN = {"sdf": 8192, "template": 8192, "tdef": 4096, "prefs": 4096, "cond": 1024}

# Smaller quarantine and allocation stacks than the defaults: the targets
# allocate many small records per run and the defaults halve the speed.
# Every iteration frees what it allocated, so a leak is a finding.
ASAN_OPTIONS = "quarantine_size_mb=64:malloc_context_size=8:detect_leaks=1"
UBSAN_OPTIONS = "print_stacktrace=1:halt_on_error=1"


def golden_files():
    for case in sorted(glob.glob(os.path.join(GOLDEN, "*"))):
        if os.path.isdir(case):
            for path in sorted(glob.glob(os.path.join(case, "**"), recursive=True)):
                if os.path.isfile(path) and "/expected" not in path[len(case):]:
                    yield case, path


def prefs_names(case):
    """The files a case names with -p<file>."""
    try:
        with open(os.path.join(case, "args")) as f:
            return {line.strip()[2:] for line in f if line.startswith("-p") and len(line.strip()) > 2}
    except OSError:
        return set()


def seed_sources(target):
    own = os.path.join(FUZZ_DIR, "seeds", target)
    sources = sorted(glob.glob(os.path.join(own, "*")))
    for case, path in golden_files():
        name = os.path.basename(path)
        rel = os.path.relpath(path, case)
        if target == "sdf" and (name.endswith(".sdf") or name == "stdin"):
            sources.append(path)
        elif target == "template" and name.endswith(".sdft"):
            sources.append(path)
        elif target == "tdef" and name.endswith(".tdef"):
            sources.append(path)
        elif target == "prefs" and rel in prefs_names(case):
            sources.append(path)
    if target == "sdf":
        sources += sorted(glob.glob(os.path.join(ROOT, "tests", "samples", "*.sdf")))
        sources += sorted(glob.glob(os.path.join(SHARED_SDF, "*.sdf")))
    return sources


def prepare_seeds(build, target):
    seeds = os.path.join(build, "seeds", target)
    shutil.rmtree(seeds, ignore_errors=True)
    os.makedirs(seeds)
    for i, src in enumerate(seed_sources(target)):
        shutil.copyfile(src, os.path.join(seeds, "%03d-%s" % (i, os.path.basename(src))))
    return seeds


def run_target(build, target, seconds):
    binary = os.path.join(build, "fuzz_" + target)
    corpus = os.path.join(build, "corpus", target)
    artifacts = os.path.join(build, "artifacts", target)
    os.makedirs(corpus, exist_ok=True)
    os.makedirs(artifacts, exist_ok=True)
    seeds = prepare_seeds(build, target)
    cmd = [binary, "-max_total_time=%d" % seconds, "-max_len=%d" % MAX_LEN[target],
           "-timeout=10", "-rss_limit_mb=2048", "-close_fd_mask=3", "-print_final_stats=1",
           "-dict=" + os.path.join(FUZZ_DIR, "kestrove.dict"),
           "-artifact_prefix=" + artifacts + "/", corpus, seeds]
    env = dict(os.environ, ASAN_OPTIONS=ASAN_OPTIONS, UBSAN_OPTIONS=UBSAN_OPTIONS)
    log_path = os.path.join(build, "fuzz-%s.log" % target)
    with open(log_path, "w") as log:
        proc = subprocess.run(cmd, stdout=log, stderr=subprocess.STDOUT, env=env,
                              timeout=seconds + 600)
    with open(log_path, errors="replace") as f:
        log_text = f.read()
    stats = dict(re.findall(r"^stat::(\w+):\s+(\d+)", log_text, re.M))
    return proc.returncode, stats, log_text, log_path


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--time", type=int, default=60)
    parser.add_argument("--targets", default=",".join(TARGETS))
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    totals_path = os.path.join(build, "fuzz-totals.json")
    try:
        with open(totals_path) as f:
            totals = json.load(f)
    except (OSError, ValueError):
        totals = {}

    failed = []
    for target in args.targets.split(","):
        status, stats, log_text, log_path = run_target(build, target, args.time)
        runs = int(stats.get("number_of_executed_units", 0))
        totals[target] = totals.get(target, 0) + runs
        with open(totals_path, "w") as f:
            json.dump(totals, f, indent=1, sort_keys=True)
        print("fuzz_%-9s %3d s  %10d runs  %7s exec/s  %5s MB peak  %10d runs in total  %s" % (
            target, args.time, runs, stats.get("average_exec_per_sec", "?"),
            stats.get("peak_rss_mb", "?"), totals[target], "ok" if status == 0 else "FINDING"))
        sys.stdout.flush()
        if status != 0:
            failed.append(target)
            tail = log_text.splitlines()[-60:]
            print("---- last lines of %s ----" % log_path)
            print("\n".join(tail))
    targets = args.targets.split(",")
    print("fuzz: %d passed, %d failed" % (len(targets) - len(failed), len(failed)))
    if failed:
        print("fuzzing found problems in: " + ", ".join(failed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
