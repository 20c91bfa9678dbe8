// The TIMINGCHECK block.
#pragma once

#include "sdf/sdf_model.h"

// Parses the entries after "(TIMINGCHECK" into `*checks`, which is null for
// a block without entries; false on failure (reported, or the end of input).
[[nodiscard]] bool sdf_read_timingcheck(SdfReader *rd, TimingCheck **checks);
