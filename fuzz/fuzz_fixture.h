// Shared set-up of the fuzz targets: a private scratch directory holding a
// small fixed set of templates, defaults, preferences and an input SDF, and
// helpers to run the library's reading and remapping pipeline in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "support/messages.h"

// How the library's messages are shown during fuzzing.
extern MsgSettings fixture_msg;

// Creates the scratch directory and writes the fixture files into it (once).
void fixture_init();

// Writes `size` bytes to `name` inside the scratch directory.
void fixture_write(const char *name, const uint8_t *data, size_t size);

// Runs `body(arg)` with the scratch directory as the working directory. A
// run the library ends early (RunExit) ends the iteration like a return.
// Afterwards the streams of the iteration are closed and the templates it
// registered are freed. Returns the status of an early end, else -1.
int fixture_run(void (*body)(void *), void *arg);

// Registers the fixed templates (DFFR_X1 with defaults, REG4 with bus
// entries and defaults, NAND2_X1 without defaults and with preferences).
void fixture_register_templates();

// The whole run after the arguments: read `in`, remap and write every
// collected instance, close the DELAYFILE. Output and audit go to /dev/null.
void fixture_remap_stream(FILE *in, const char *in_name);
// The same with the output written to `out`, read extended when `extended`,
// in read-ahead blocks of `block_size` characters.
void fixture_remap_stream_to(FILE *in, const char *in_name, FILE *out, int extended,
                             size_t block_size);

// fixture_remap_stream on the fixed input SDF, whose cells are of the
// fixture's cell types and of a few others.
void fixture_remap_fixed_input();

// Loads `cell_name` from the scratch directory as the driver does for
// "-cell"; returns template_load's result.
int fixture_load_template(const char *cell_name, int use_defaults, const char *prefs_name);

// A file of the scratch directory opened with `mode`, closed by fixture_run
// when the iteration is over.
FILE *fixture_open(const char *name, const char *mode);

// A stream on `size` bytes of memory (an empty stream for size 0), closed by
// fixture_run when the iteration is over.
FILE *fixture_memory_stream(const uint8_t *data, size_t size);
