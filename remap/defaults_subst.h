// Filling a template value from the template's timing defaults.
#pragma once

#include <cstdio>

#include "sdf/sdf_model.h"

// Replaces the value's texts with the default of the parameter named by its
// typ text, rescaled to the input's time unit. `report` off leaves out the
// two audit lines that name the parameter.
void substitute_from_defaults(ValueTriple *value, CellInstance *template_cell, FILE *audit,
                              int report);
