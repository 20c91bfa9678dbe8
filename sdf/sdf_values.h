// Port specifications and value triples, shared by DELAY and TIMINGCHECK.
#pragma once

#include "sdf/sdf_model.h"

// 1 when a port was read, 2 when "(COND" was read instead, 0 on failure.
// Works only in MODE_COLLECT.
int sdf_read_port(SdfReader *rd, PortSpec *port);

// Up to six values through the entry's closing bracket; 1 or 0.
int sdf_read_values(SdfReader *rd, ValueTriple values[6]);

// One value, entered after its '('. 1 success, 0 failure (reported or end of
// input), -1 when an input value does not begin with a number (not reported).
int sdf_read_triple(ValueTriple *value, SdfReader *rd);

// Reports "Premature end of file found." when the input is exhausted (a null
// token for any other reason has been reported by the lexer); returns 0.
int sdf_premature_end(SdfReader *rd);
