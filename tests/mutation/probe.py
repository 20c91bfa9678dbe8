#!/usr/bin/env python3
"""Mutation probe: how many small faults in the product code the suite notices.

Builds a copy of the source tree (less build folders) in WORK/src once, then
for each one-line mutation of MUTATIONS rebuilds incrementally, runs ctest and
restores the line; the build or a test failing kills it. WORK/shared points
at the shared folder so corpus-reading tests see it. Not part of ctest.

  probe.py [--work DIR] [--ctest ARGS] [--only N,N..] [--jobs N] [--check]

--check only verifies that each mutation's text occurs once in its file.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

# (file, text found exactly once, replacement): each changes one line.
MUTATIONS = [
    # driver
    ("driver/driver.cpp", "opt.use_defaults = 1;", "opt.use_defaults = 0;"),
    ("driver/driver.cpp", "opt.use_defaults = 0;", "opt.use_defaults = 1;"),
    ("driver/driver.cpp", "if (opt.cell_or_mode_seen)\n        unknown_option(opt.msg, arg);",
     "if (false)\n        unknown_option(opt.msg, arg);"),
    ("driver/driver.cpp", "opt.prefs_name = nullptr;\n    i++;", "i++;"),
    # support
    ("support/messages.cpp", "src->suppressed++;", "(void)src;"),
    ("support/support.cpp", "if (*a != *b &&", "if (*a == *b &&"),
    ("support/output_file.cpp", "for (int i = 0; i < 6; i++, n /= 36)",
     "for (int i = 0; i < 5; i++, n /= 36)"),
    ("support/output_file.cpp", "if (!of->replace && of->unnamed_temp) {",
     "if (of->unnamed_temp) {"),
    # sdf
    ("sdf/sdf_delay.cpp", "return e && e->kind == COND_NOT && is_name_of(e->left, name);",
     "return e && e->kind == COND_NOT;"),
    ("sdf/sdf_delay.cpp", "states_input_level(e->cond->left, name, falling))",
     "states_input_level(e->cond->left, name, !falling))"),
    ("sdf/sdf_block_skip.cpp", "scan.piece_base = offset_of(scan, p + 1);",
     "scan.piece_base = offset_of(scan, p);"),
    ("sdf/sdf_block_skip.cpp", "int last = 31 - __builtin_clz(m.newline);",
     "int last = 30 - __builtin_clz(m.newline);"),
    ("sdf/sdf_block_skip.cpp", "if (into_piece == 0 && at_may_end_piece && offset_of(scan, at) > scan.piece_base)",
     "if (into_piece == 0 && offset_of(scan, at) > scan.piece_base)"),
    ("sdf/sdf_block_skip.cpp", "if (p + 1 < end && p[1] != '*' && p[1] != '/' &&",
     "if (p + 1 < end && p[1] != '*' &&"),
    ("sdf/sdf_block_skip.cpp", "if (m.other || count(m.close) > *depth)",
     "if (m.other || count(m.close) > *depth + 1)"),
    ("sdf/sdf_lexer.cpp", "if (end == SCAN_END_BETWEEN)", "if (true)"),
    ("sdf/sdf_values.cpp", "return !rd->template_syntax || (width < 0 ? -width : width) < SDF_TEMPLATE_BUS_BITS;",
     "return !rd->template_syntax || (width < 0 ? -width : width) <= SDF_TEMPLATE_BUS_BITS;"),
    ("sdf/sdf_input.cpp", "if (got == 0 || rd->in_size > 1 || static_cast<unsigned char>(block[0]) != 0x1f)",
     "if (got == 0 || static_cast<unsigned char>(block[0]) != 0x1f)"),
    ("sdf/sdf_reader.cpp", "if (divider.len == 1 && (*divider.text == '.' || *divider.text == '/'))",
     "if (divider.len == 1 && (*divider.text == '.'))"),
    ("sdf/sdf_cond.cpp", "if (strncmp(tok, \"&&\", 2) == 0 && len == 2)",
     "if (strncmp(tok, \"&&\", 2) == 0)"),
    ("sdf/sdf_timingcheck.cpp", "if (c == ')') {", "if (c == '(') {"),
    # config
    ("config/tdef.cpp", "if (param->value < 0) {", "if (param->value <= 0) {"),
    ("config/tdef.cpp", "n = n * 10 + (*p - '0');", "n = n * 10 + (*p - '1');"),
    ("config/template.cpp",
     "msg_warning(ms, \"File, \\\"%s\\\" is not a defaults file, ignored\", name.c_str());",
     "msg_warning(ms, \"File, \\\"%s\\\" is not a defaults file\", name.c_str());"),
    ("config/prefs.cpp", "if (strcmp(word, \"min\") == 0)", "if (strcmp(word, \"mín\") == 0)"),
    ("config/cfg_tokenizer.cpp", "if (escaped == '\\\\') {", "if (escaped == '\"') {"),
    ("config/cfg_tokenizer.cpp", "if (c == '\\n' || c == '\\0') {", "if (c == '\\0') {"),
    # remap
    ("remap/remap.cpp", "return template_cell->prefs ? template_cell->prefs->pessim : 1;",
     "return template_cell->prefs ? template_cell->prefs->pessim : 2;"),
    ("remap/remap.cpp", "if (instance->reader->triple_form != FORM_TRIPLE)",
     "if (instance->reader->triple_form == FORM_UNDECIDED)"),
    ("remap/path_match.cpp", "entry->mean_delay[mean_index] > best->mean_delay[mean_index])",
     "entry->mean_delay[mean_index] >= best->mean_delay[mean_index])"),
    ("remap/check_match.cpp", "if (reason.template_kind == kind && reason.score == score)",
     "if (reason.template_kind == kind)"),
    ("remap/check_match.cpp", "if (tmpl->value1.typ && strcmp(tmpl->value1.typ, \"0\") == 0) {",
     "if (tmpl->value1.typ && strcmp(tmpl->value1.typ, \"1\") == 0) {"),
    ("remap/defaults_subst.cpp", "if (shift >= 0) {", "if (shift > 0) {"),
    # writer
    ("writer/writer.cpp", "if (prefs && prefs->emit_mipd)", "if (prefs)"),
    ("writer/writer.cpp", "bool emit_retain = prefs && prefs->emit_retain;",
     "bool emit_retain = prefs != nullptr;"),
    ("writer/writer.cpp", "if (!result->iopaths)\n        return;", "if (false)\n        return;"),
    # added after the first run
    ("sdf/sdf_values.cpp", "    if (sdf_input_ended(rd))\n",
     "    if (sdf_input_ended(rd) && rd->source->errors == 0)\n"),
    ("sdf/sdf_block_skip.cpp", "piece_last(scan, offset_of(scan, p)) != offset_of(scan, p))",
     "true)"),
    ("sdf/sdf_reader.cpp", "    if (sdf_at_end(rd))\n        premature_end(rd);\n}",
     "    premature_end(rd);\n}"),
    ("sdf/sdf_reader.cpp", "if (!sdf_read_timingcheck(rd, &checks) || !checks)",
     "if (!sdf_read_timingcheck(rd, &checks))"),
    # messages, arena marks, remapping during the read
    ("support/messages.cpp", "if (ms.verbosity >= 1)", "if (ms.verbosity >= 0)"),
    ("support/messages.cpp", "if (ms.verbosity < 2)", "if (ms.verbosity < 1)"),
    ("support/arena.cpp", "arena->next_free = mark.next_free;", "arena->next_free = mark.next_free + 16;"),
    ("sdf/sdf_reader.cpp", "    rd->store_next = cc.store_next;\n}", "}"),
    ("driver/remap_stream.cpp", "if (++rs->waiting < rs->group || rd->triple_form == FORM_UNDECIDED)",
     "if (++rs->waiting < rs->group)"),
    ("driver/remap_stream.cpp", "    if (rs->fatal)\n        throw RunExit{1};", "    if (false)\n        throw RunExit{1};"),
    ("driver/remap_stream.cpp", "if (rs->fatal)\n        return;", "if (false)\n        return;"),
    # the text buffer of remapped cells and audit sections
    ("support/text_out.cpp", "    if (size > TEXT_OUT_CAPACITY - t->size)\n        text_flush(t);",
     "    if (size > TEXT_OUT_CAPACITY - t->size)\n        ;"),
    ("support/text_out.cpp", "pad > 0; pad--", "pad > 1; pad--"),
    ("support/text_out.cpp", "    if (value < 0)\n        *--p = '-';", "    if (value < 0)\n        ;"),
    ("remap/remap.cpp", "~AuditSection() { text_flush(text); }", "~AuditSection() {}"),
    ("writer/writer.cpp", "    text_flush(out);\n    msg_fatal", "    msg_fatal"),
    # audit text written straight into a plain audit log during the read
    ("driver/remap_stream.cpp", "        output_cut_back(log, log_mark);", "        ;"),
    ("support/output_file.cpp", " || !S_ISREG(st.st_mode))", ")"),
    ("driver/remap_stream.cpp", "    if (shared_with_standard_streams(rs->log->fd))\n        return false;\n", ""),
]


def run(cmd, cwd, log):
    with open(log, "ab") as f:
        return subprocess.run(cmd, cwd=cwd, stdout=f, stderr=subprocess.STDOUT).returncode == 0


def sync(root, src):
    """Makes src a copy of root less build folders, rewriting only changed files
    so that the copy's build stays incremental."""
    wanted = set()
    for top, dirs, names in os.walk(root):
        rel = os.path.relpath(top, root)
        if rel == ".":
            dirs[:] = [d for d in dirs if not d.startswith("build") and d != ".git"]
        os.makedirs(os.path.join(src, rel), exist_ok=True)
        for name in names:
            a, b = os.path.join(top, name), os.path.normpath(os.path.join(src, rel, name))
            wanted.add(b)
            if not os.path.exists(b) or open(a, "rb").read() != open(b, "rb").read():
                shutil.copy(a, b)
    for top, _, names in os.walk(src):
        for path in (os.path.normpath(os.path.join(top, name)) for name in names):
            if path not in wanted:
                os.remove(path)


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    ap = argparse.ArgumentParser()
    ap.add_argument("--work", default="/tmp/kestrove-probe")
    ap.add_argument("--ctest", default="-LE slow -E configure_without_gtest|install_test")
    ap.add_argument("--only", default="")
    ap.add_argument("--check", action="store_true")
    ap.add_argument("--jobs", default=str(os.cpu_count() or 2))
    a = ap.parse_args()
    chosen = [int(n) for n in a.only.split(",") if n] or range(1, len(MUTATIONS) + 1)
    bad = [n for n in chosen
           if open(os.path.join(root, MUTATIONS[n - 1][0])).read().count(MUTATIONS[n - 1][1]) != 1]
    for n in bad:
        print("mutation %d: text not found exactly once in %s" % (n, MUTATIONS[n - 1][0]))
    if bad or a.check:
        return 1 if bad else 0

    src, build, log = (os.path.join(a.work, name) for name in ("src", "build", "probe.log"))
    os.makedirs(a.work, exist_ok=True)
    shared = os.path.join(os.path.dirname(root), "shared")
    if os.path.isdir(shared) and not os.path.exists(os.path.join(a.work, "shared")):
        os.symlink(shared, os.path.join(a.work, "shared"))
    sync(root, src)
    open(log, "w").close()
    build_cmd = ["cmake", "--build", build, "-j", a.jobs]
    ctest = ["ctest", "-j", a.jobs, "--stop-on-failure"] + a.ctest.split()
    if not (run(["cmake", "-S", src, "-B", build], a.work, log) and run(build_cmd, a.work, log)
            and run(ctest, build, log)):
        print("the unmutated tree fails to build or to pass its tests; see " + log)
        return 1
    survivors = []
    for n in chosen:
        path, old, new = MUTATIONS[n - 1]
        target, start = os.path.join(src, path), time.time()
        original = open(target).read()
        try:
            with open(target, "w") as f:
                f.write(original.replace(old, new, 1))
            with open(log, "a") as f:
                f.write("\n=== mutation %d: %s\n" % (n, path))
            dead = not (run(build_cmd, a.work, log) and run(ctest, build, log))
        finally:
            with open(target, "w") as f:
                f.write(original)
            os.utime(target, None)  # the restored file must look newer than the mutated object
        survivors += [] if dead else [n]
        print("%2d %-8s %-26s %s  (%ds)" % (n, "killed" if dead else "SURVIVED", path,
                                           old.split("\n")[0][:60], time.time() - start), flush=True)
    total = len(list(chosen))
    print("killed %d of %d (%.0f%%); survivors: %s" % (total - len(survivors), total,
                                                       100.0 * (total - len(survivors)) / total,
                                                       survivors or "none"))
    run(build_cmd, a.work, log)
    return 0


if __name__ == "__main__":
    sys.exit(main())
