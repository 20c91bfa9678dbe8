// The TIMINGCHECK block.
#pragma once

#include "sdf/sdf_model.h"

// Parses the entries after "(TIMINGCHECK" into `*checks`, which is null for
// a block without entries; false on failure (reported, or the end of input).
bool sdf_read_timingcheck(SdfReader *rd, TimingCheck **checks);

// A plain port or (COND token port); false on failure.
bool sdf_read_check_port(SdfReader *rd, const char **cond, PortSpec *port);

// One check value after its '('; "Malformed triple" for a non-number; false
// on failure.
bool sdf_read_check_value(ValueTriple *value, SdfReader *rd);
