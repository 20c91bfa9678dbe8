// The SDF notation of ports and IOPATH openings, printed alike by the writer
// of remapped cells and by the audit log, so that a reader of the log finds
// the entries as they were written.
#pragma once

#include "sdf/sdf_model.h"
#include "support/text_out.h"

// "NAME", "NAME[3]" or "NAME[3:0]", inside "(posedge ...)" when the port has
// an edge.
void write_port(TextOut *out, const PortSpec *port);

// The port of a timing check, as "(COND text port)" when it has a condition.
void write_check_port(TextOut *out, const char *cond, const PortSpec *port);

// "(COND text (IOPATH in out" without the values and closing brackets.
void write_iopath_opening(TextOut *out, const PathEntry *entry);
