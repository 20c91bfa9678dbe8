// Matching of template IOPATH entries against an instance's IOPATH entries.
#pragma once

#include <cstdio>

#include "sdf/sdf_model.h"

// One new entry per template IOPATH, in template order; null for none.
// `mean_index` selects the mean-delay component used to break ties.
PathEntry *remap_iopaths(CellInstance *template_cell, FILE *audit, PathEntry *template_paths,
                         PathEntry *input_paths, int mean_index);
