// The abbreviated notation of input and template entries in the audit log:
// ports and conditions as written, values left out as "...".
#pragma once

#include "sdf/sdf_model.h"
#include "support/text_out.h"

// "(SETUP (COND c D) (posedge CK) ...) ", ending in a blank; "(??? ...) " for
// an entry of an unknown kind, which was skipped unread.
void print_check_entry(TextOut *out, const TimingCheck *check);

// "(COND c (IOPATH A Y ...) ", ending in a blank.
void print_path_entry(TextOut *out, const PathEntry *entry);

// "scored max " for `max_score`, else the score right-aligned in three places.
void print_score(TextOut *out, int score, int max_score);
