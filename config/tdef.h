// Timing defaults files (<cell>.tdef and its _min/_typ/_max variants).
#pragma once

#include <cstdint>

#include "config/cfg_tokenizer.h"

enum TdefStatus {
    TDEF_OK = 0,
    TDEF_CORRUPT = 1,
    TDEF_NOT_DEFAULTS = 2,
    TDEF_NOT_FOUND = 3,
};

struct TimingParam {
    TimingParam *next;
    const char *name;
    int32_t value; // in units of the TIMES line, never negative after a read
};

struct TimingDefaults {
    ConfigTokenizer tokenizer; // its store holds the parameter names
    int32_t timescale_ps;      // unit of the TIMES line, in ps
    TimingParam *params;       // newest first
};

// The defaults of `name`, or null with `status` saying why (TdefStatus):
// TDEF_NOT_FOUND when the file cannot be read, TDEF_NOT_DEFAULTS when its
// first line is no TIMES line, TDEF_CORRUPT after any error behind TIMES.
// Numbers beyond 32 bits, read or reached by += and -=, are such errors.
// Parameters still negative at the end are zeroed with a warning. Prints the
// file's summary line in every case.
TimingDefaults *tdef_read(const char *name, const MsgSettings &ms, int *status);
// Frees the parameters, their names and the record; null is allowed.
void tdef_free(TimingDefaults *defaults);
// The parameter named exactly `name`, or null.
const TimingParam *tdef_find(const TimingDefaults *defaults, const char *name);
