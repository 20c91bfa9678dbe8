// Writes remapped instances as SDF cells in a fixed layout.
#pragma once

#include <cstdio>

#include "sdf/sdf_model.h"

struct Preferences;

void write_remapped_cell(SdfReader *rd, RemapResult *result, const Preferences *prefs);
void write_delay_block(SdfReader *rd, RemapResult *result, const Preferences *prefs);
void write_timing_checks(SdfReader *rd, RemapResult *result);
// Port notation shared with the audit log: "(posedge NAME[3:0])".
void write_port(FILE *out, const PortSpec *port);
// "(COND text (IOPATH in out" without the values and closing brackets; the
// audit log's notation of an IOPATH starts the same way.
void write_iopath_opening(FILE *out, const PathEntry *entry);
void write_value(int triple_form, FILE *out, const ValueTriple *value);
