// Port specifications and value triples, shared by DELAY and TIMINGCHECK.
#pragma once

#include "sdf/sdf_model.h"

enum PortRead {
    PORT_FAILED, // reported, or the end of input
    PORT_READ,
    PORT_COND, // "(COND" stood where the port was expected
};

// One port. Fails without a word unless in MODE_COLLECT.
[[nodiscard]] PortRead sdf_read_port(SdfReader *rd, PortSpec *port);

// Up to six values through the entry's closing bracket; false on failure.
[[nodiscard]] bool sdf_read_values(SdfReader *rd, ValueTriple values[6]);

enum TripleRead {
    TRIPLE_FAILED,     // reported, or the end of input
    TRIPLE_READ,
    TRIPLE_NOT_NUMBER, // an input value that does not begin with a number; not reported
};

// One value, entered after its '('.
[[nodiscard]] TripleRead sdf_read_triple(ValueTriple *value, SdfReader *rd);

// Reports "Premature end of file found." when the input is exhausted (a
// failed request for any other cause has been reported by the lexer).
void sdf_premature_end(SdfReader *rd);
