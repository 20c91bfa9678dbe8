// The TIMINGCHECK block.
#pragma once

#include "sdf/sdf_model.h"

// Parses the entries after "(TIMINGCHECK"; the new list, or null on failure
// or when the block has no entry.
TimingCheck *sdf_read_timingcheck(SdfReader *rd);

// A plain port or (COND token port); 1 or 0.
int sdf_read_check_port(SdfReader *rd, const char **cond, PortSpec *port);

// One check value after its '('; "Malformed triple" for a non-number; 1 or 0.
int sdf_read_check_value(ValueTriple *value, SdfReader *rd);
