// The SDF file reader: header checks, cell dispatch between pass-through and
// collection, and the end-of-file check.
#pragma once

#include <cstddef>
#include <cstdio>

#include "sdf/sdf_model.h"

struct TemplateSet;

// How the reader reaches the templates; filled by whoever owns them, so that
// reading knows nothing of how templates are loaded or matched.
struct SdfTemplateHooks {
    const TemplateSet *set;
    // The template cell serving the input cell type `name` (length `len`),
    // or null when the cell is to be copied.
    CellInstance *(*lookup)(const TemplateSet *set, const char *name, int len);
    // Called once, at the first CELL, when the input's time unit is known
    // (`timescale_exp`: a power of ten of 1 ps).
    void (*first_cell)(const TemplateSet *set, int timescale_exp);
    // The template cell whose celltype string is exactly `celltype`, or null.
    CellInstance *(*link)(const TemplateSet *set, const char *celltype);
};

// Who takes collected instances while the input is still being read.
struct SdfCollectHook {
    void *ctx = nullptr;
    // Called after each collected cell with rd->cells listing the instances
    // not taken yet, oldest first, their template links not set. Returns 1
    // when it has dealt with all of them: the reader then drops them and
    // reuses everything they took, records, texts and conditions alike.
    // Returns 0 to leave them for the next call or for the end of the read.
    int (*take)(void *ctx, SdfReader *rd) = nullptr;
    // Called when the reader the hook has taken instances from is freed
    // because the read failed or the run is ending.
    void (*forget)(void *ctx) = nullptr;
};

// What the creator of a read chooses.
struct SdfReadSetup {
    SdfTemplateHooks templates;
    const MsgSettings *msg = nullptr; // required: how the read reports
    // 1 also accepts negative values and passes over INCREMENT and pulse
    // blocks before ABSOLUTE.
    int extended = 0;
    // With a sink, a failed write to the output stops the run as it is met.
    OutputFile *sink = nullptr;
    // Size of the read-ahead blocks; tests that look at block seams make it tiny.
    size_t block_size = SDF_INPUT_BLOCK;
    SdfCollectHook collect;
};

// Reads the whole input, copying the header and untemplated cells to `out`.
// Returns the collected instances not taken by the collect hook (each linked
// to its template cell), which belong to their reader until sdf_check_end.
// Null on error (the reader is then freed, also when the run ends early),
// when no cell had a template, or when the hook took every instance; the
// reader's `complete` tells a whole read, and in that last case the reader
// is left to the hook's owner (it met it in every call) for sdf_check_end.
CellInstance *sdf_read(const char *in_name, const char *out_name, FILE *in, FILE *out,
                       const SdfReadSetup &setup);

// Parses one CELL body after its CELLTYPE entry into a new instance appended
// to rd->cells; `celltype` is kept, not copied. False on failure (reported);
// the instance stays in the list.
[[nodiscard]] bool sdf_read_cell(SdfReader *rd, const char *celltype);

// Writes the DELAYFILE's closing, copies and reports trailing text, and frees
// the reader with everything it collected.
void sdf_check_end(SdfReader *rd);
