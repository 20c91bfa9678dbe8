// Placeholder until this module is written.
#include "sdf/sdf_timingcheck.h"

TimingCheck *sdf_read_timingcheck(SdfReader *) { return nullptr; }
int sdf_read_check_port(SdfReader *, const char **, PortSpec *) { return 0; }
int sdf_read_check_value(ValueTriple *, SdfReader *) { return 0; }
