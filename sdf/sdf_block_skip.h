// Skips the inside of an entry straight in the read-ahead block, sixteen
// characters at a time where nothing but brackets and newlines need counting.
#pragma once

#include "sdf/sdf_model.h"

enum BlockSkip {
    BLOCK_CLOSED,  // the entry's closing bracket was passed
    BLOCK_HANDOFF, // line_buf holds a piece starting at a character to examine
    BLOCK_END,     // the input ended first
};

// Entered at a piece boundary, outside quoted strings, with `depth` open
// brackets inside the entry. Echoes what it passes over, counts lines, and
// stops at the entry's closing bracket or at the first quote, NUL byte or
// slash that may start a comment, which are left for the line-piece skipper. On return the rest of the
// piece holding the stop is in line_buf, exactly as piece-wise reading would
// have cut it, and rd->pos is at the stop (after it for BLOCK_CLOSED).
BlockSkip sdf_skip_blocks(SdfReader *rd, int *depth);
