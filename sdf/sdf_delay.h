// The DELAY block: ABSOLUTE IOPATH, COND IOPATH, PATH and INTERCONNECT.
#pragma once

#include "sdf/sdf_model.h"

// Parses the block after "(DELAY" into the three lists, which are cleared
// when the ABSOLUTE block begins, through the DELAY's closing bracket; false
// on failure (reported). Only an ABSOLUTE block is read; read extended, INCREMENT and
// pulse blocks before it are passed over with a warning, and a DELAY of
// nothing else leaves the lists unchanged. A COND entry's condition text is rebuilt on the
// heap and parsed into the entry's tree, which may be null.
[[nodiscard]] bool sdf_read_delay(SdfReader *rd, PathEntry **iopaths, PathDelay **paths,
                    InterconnectDelay **interconnects);

// Mean of component `which` (0 min, 1 typ, 2 max) over the present values.
double mean_component(const ValueTriple values[6], int which);
