// The SDF file reader: header checks, cell dispatch between pass-through and
// collection, and the end-of-file check.
#pragma once

#include <cstdio>

#include "sdf/sdf_model.h"

// Reads the whole input, copying the header and untemplated cells to `out`.
// Returns the collected instances (each linked to its template cell), or
// null on error or when no cell had a template. `extended` 1 also accepts
// negative values and passes over INCREMENT and pulse blocks before ABSOLUTE.
// With a `sink`, a failed write to the output stops the run as it is met.
CellInstance *sdf_read(const char *in_name, const char *out_name, FILE *in, FILE *out,
                       int extended, OutputFile *sink = nullptr);

// Parses one CELL body after its CELLTYPE entry into a new instance appended
// to rd->cells; `celltype` is kept, not copied. 1 on success, 0 on failure.
int sdf_read_cell(SdfReader *rd, const char *celltype);

// Writes the DELAYFILE's closing, copies and reports trailing text, and frees
// the reader record.
void sdf_check_end(SdfReader *rd);

// Sets scale_shift of every registered template cell that has defaults.
void sdf_set_scale_shifts(SdfReader *rd);
