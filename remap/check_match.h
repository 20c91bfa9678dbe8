// Matching of template timing checks against an instance's checks.
//
// Each template check takes its values from the best-scoring input check on
// the same ports, and the choice is explained in the audit log. The candidate
// array and the repeat run live in the run's RemapContext.
#pragma once


#include "remap/remap_context.h"
#include "sdf/sdf_model.h"
#include "support/text_out.h"

// The score of a perfect match; -1 means the entries cannot match and 0 to 13
// rank the imperfect matches, higher being better.
const int CHECK_SCORE_MAX = 2147483647;

// One new check per template check, in template order; null for none.
// Sets `score` and `used` of the input checks; the repeat run is empty again
// when it returns.
TimingCheck *remap_timing_checks(RemapContext *ctx, CellInstance *template_cell, TextOut *audit,
                                 TimingCheck *template_checks, TimingCheck *input_checks);

// The input checks on the template check's ports whose score is not -1, in
// list order, each with its `score` set. The array ends with a null entry and
// is overwritten by the next call with the same context. Input checks of an
// unknown kind have no ports and are never candidates.
TimingCheck **find_check_candidates(RemapContext *ctx, const TimingCheck *tmpl,
                                   TimingCheck *input_checks);

// Score of `input` standing in for `tmpl`, from the kinds and the edges of the
// reference ports. Template kinds other than SETUP, HOLD, SETUPHOLD, WIDTH and
// PERIOD match nothing (-1). An input of unknown kind is fatal (code 15),
// reported through `ms`.
int check_match_score(const TimingCheck *tmpl, const TimingCheck *input, const MsgSettings &ms);
