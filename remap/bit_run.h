// The bus bits folded into the last audit paragraph, so that one input entry
// serving consecutive per-bit template entries is explained once.
#pragma once

#include "support/text_out.h"

struct BitRun {
    int low_bit;  // -1 while the run is empty
    int high_bit;
};

const BitRun BIT_RUN_EMPTY = {-1, -1};

inline void bit_run_add(BitRun *run, int bit)
{
    if (run->low_bit == -1 || bit < run->low_bit)
        run->low_bit = bit;
    if (bit > run->high_bit)
        run->high_bit = bit;
}

// Writes the "Repeated for bits" line of a non-empty run and empties it.
inline void bit_run_close(BitRun *run, TextOut *audit)
{
    if (run->low_bit == -1)
        return;
    text_lit(audit, "  Repeated for bits [");
    text_int(audit, run->high_bit);
    text_char(audit, ':');
    text_int(audit, run->low_bit);
    text_lit(audit, "]\n");
    *run = BIT_RUN_EMPTY;
}
