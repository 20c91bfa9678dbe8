// Matching of template IOPATH entries against an instance's IOPATH entries.
//
// Candidates share the template entry's ports; they are ranked by how their
// input edge relates to the template's, ties are broken by comparing
// conditions and then by the larger mean delay, and every step is explained
// in the audit log. The candidate array and the repeat run are process-wide
// state, separate from the timing check matcher's.
#pragma once

#include <cstdio>

#include "sdf/sdf_model.h"

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
PathEntry *remap_iopaths(CellInstance *template_cell, FILE *audit, PathEntry *template_paths,
                         PathEntry *input_paths, int mean_index);

// The input entries between the template entry's ports that cover its output
// bit, in list order, each with its `score` set. Ends with a null entry and
// is overwritten by the next call.
PathEntry **find_path_candidates(const PathEntry *tmpl, PathEntry *input_paths);

// Score of the input entry's input edge against the template's.
int path_edge_score(const PathEntry *tmpl, const PathEntry *input);

// 0 to 4: how well the input entry's condition fits the template entry's,
// with the condition equivalences of `prefs` (may be null).
int condition_subscore(const Preferences *prefs, const PathEntry *input, const PathEntry *tmpl);

// The best candidate by score, then subscore, then mean delay at
// `mean_index`; null for an empty array. Writes the audit paragraphs.
PathEntry *choose_iopath(FILE *audit, const Preferences *prefs, PathEntry *tmpl,
                         PathEntry **candidates, int mean_index);

// Writes one paragraph of `mode` (PathAuditMode) or folds a substitution into
// the repeat run. Returns 1 when it wrote a paragraph or flushed, 0 when it
// folded or had nothing to flush.
int audit_path_substitution(FILE *audit, PathEntry *tmpl, PathEntry *input, int mode);

// Audit texts for an edge score and a condition subscore.
const char *path_score_reason(int score);
const char *path_subscore_reason(int subscore);
