// Matching of template timing checks against an instance's checks.
//
// Each template check takes its values from the best-scoring input check on
// the same ports, and the choice is explained in the audit log. The candidate
// array and the repeat run (consecutive bus bits served by one input check,
// reported as one paragraph) are process-wide state: two remappings must not
// run at the same time.
#pragma once

#include <cstdio>

#include "sdf/sdf_model.h"

// The score of a perfect match; -1 means the entries cannot match and 0 to 13
// rank the imperfect matches, higher being better.
const int CHECK_SCORE_MAX = 2147483647;

// One new check per template check, in template order; null for none.
// Sets `score` and `used` of the input checks; the repeat run is empty again
// when it returns.
TimingCheck *remap_timing_checks(CellInstance *template_cell, FILE *audit,
                                 TimingCheck *template_checks, TimingCheck *input_checks);

// The input checks on the template check's ports whose score is not -1, in
// list order, each with its `score` set. The array ends with a null entry and
// is overwritten by the next call. Input checks of an unknown kind have no
// ports and are never candidates.
TimingCheck **find_check_candidates(const TimingCheck *tmpl, TimingCheck *input_checks);

// Score of `input` standing in for `tmpl`, from the kinds and the edges of the
// reference ports. Template kinds other than SETUP, HOLD, SETUPHOLD, WIDTH and
// PERIOD match nothing (-1). An input of unknown kind is fatal (code 15).
int check_match_score(const TimingCheck *tmpl, const TimingCheck *input);

// Why a candidate with `score` was chosen for a template check of `kind`.
const char *check_score_reason(int kind, int score);

// The first candidate with the best score, or null for an empty array. Writes
// the substitution paragraph and, when it was written, the scores of the
// other candidates.
TimingCheck *choose_timing_check(FILE *audit, TimingCheck *tmpl, TimingCheck **candidates);

// Writes the substitution paragraph of `tmpl` and `input`, or folds it into
// the repeat run when it serves the next bit of the previous template check
// from the same input check. `flush` ends the run (tmpl and input unused).
// Returns 1 when it wrote a paragraph or flushed, 0 when it folded or had
// nothing to flush.
int audit_check_substitution(FILE *audit, TimingCheck *tmpl, TimingCheck *input, int flush);
