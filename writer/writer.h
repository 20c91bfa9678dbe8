// Writes remapped instances as SDF cells in a fixed layout.
#pragma once

#include "sdf/sdf_model.h"
#include "support/text_out.h"

struct Preferences;

// Writes `result` as one CELL to the reader's output, in the reader's value
// form: the DELAY block when the result has IOPATH entries (PATH entries
// always, INTERCONNECT entries only with `emit_mipd` and RETAIN values only
// with `emit_retain` in `prefs`, which may be null), then the TIMINGCHECK
// block when it has checks. A check kind a template may not carry is fatal
// (code 15), after the cell so far has reached the output. The cell is
// gathered in `text`, whose buffer is kept for the next cell.
void write_remapped_cell(SdfReader *rd, RemapResult *result, const Preferences *prefs,
                         TextOut *text);
