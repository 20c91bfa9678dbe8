// Matching of template timing checks against an instance's checks.
#pragma once

#include <cstdio>

#include "sdf/sdf_model.h"

// One new check per template check, in template order; null for none.
TimingCheck *remap_timing_checks(CellInstance *template_cell, FILE *audit,
                                 TimingCheck *template_checks, TimingCheck *input_checks);
