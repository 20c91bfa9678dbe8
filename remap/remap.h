// Remapping of one collected instance onto its template, with the audit
// report of what was used and what was not.
#pragma once

#include <cstdio>

#include "remap/remap_context.h"
#include "sdf/sdf_model.h"

// Builds the remapped instance; writes the banner, the matchers' paragraphs
// and the report of unused input entries to `audit`. Sets `used` and `score`
// of the instance's entries.
RemapResult *remap_instance(RemapContext *ctx, FILE *audit, CellInstance *template_cell,
                            CellInstance *instance);

// Frees what remap_instance made for `instance` once the result is written;
// the entries it shares with the instance stay.
void remap_result_free(RemapResult *result, const CellInstance *instance);
