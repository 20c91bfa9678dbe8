// Placeholder until this module is written.
#include "remap/defaults_subst.h"

void substitute_from_defaults(ValueTriple *, CellInstance *, FILE *, int) {}
