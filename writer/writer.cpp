// Placeholder until this module is written.
#include "writer/writer.h"

void write_remapped_cell(SdfReader *, RemapResult *, const Preferences *) {}
void write_delay_block(SdfReader *, RemapResult *, const Preferences *) {}
void write_timing_checks(SdfReader *, RemapResult *) {}
void write_port(FILE *, const PortSpec *) {}
void write_value(int, FILE *, const ValueTriple *) {}
