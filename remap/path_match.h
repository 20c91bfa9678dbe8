// Matching of template IOPATH entries against an instance's IOPATH entries.
//
// Candidates share the template entry's ports; they are ranked by how their
// input edge relates to the template's, ties are broken by comparing
// conditions and then by the larger mean delay, and every step is explained
// in the audit log. The candidate array and the repeat run live in the run's
// RemapContext, separate from the timing check matcher's.
#pragma once


#include "remap/remap_context.h"
#include "sdf/sdf_model.h"
#include "support/text_out.h"

struct Preferences;

// The edge score of a perfect match.
const int PATH_SCORE_MAX = 2147483647;

// What an audit paragraph explains; PATH_AUDIT_FLUSH ends the repeat run.
enum PathAuditMode {
    PATH_AUDIT_SUBSTITUTION = 0,
    PATH_AUDIT_CONDITION = 1,
    PATH_AUDIT_MEAN_DELAY = 2,
    PATH_AUDIT_FLUSH = 3,
};

// One new entry per template IOPATH, in template order; null for none.
// `mean_index` selects the mean-delay component used to break ties.
PathEntry *remap_iopaths(RemapContext *ctx, CellInstance *template_cell, TextOut *audit,
                         PathEntry *template_paths, PathEntry *input_paths, int mean_index);

// The input entries between the template entry's ports that cover its output
// bit, in list order, each with its `score` set. Ends with a null entry and
// is overwritten by the next call with the same context.
PathEntry **find_path_candidates(RemapContext *ctx, const PathEntry *tmpl,
                                 PathEntry *input_paths);

// 0 to 4: how well the input entry's condition fits the template entry's,
// with the condition equivalences of `prefs` (may be null).
int condition_subscore(const Preferences *prefs, const PathEntry *input, const PathEntry *tmpl);
