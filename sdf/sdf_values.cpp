// Placeholder until this module is written.
#include "sdf/sdf_values.h"

int sdf_read_port(SdfReader *, PortSpec *) { return 0; }
int sdf_read_values(SdfReader *, ValueTriple *) { return 0; }
int sdf_read_triple(ValueTriple *, SdfReader *) { return 0; }
