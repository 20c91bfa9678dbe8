// The command line and the order of a run.
#pragma once

#include <cstdio>

#include "sdf/sdf_model.h"

extern const char KESTROVE_VERSION[];

struct OutputFile;

// Reads the arguments, runs the remapping and returns the exit status:
// 0 when instances were remapped, 1 otherwise, 2 when a file could not be
// read or written. An interrupted run ends the process by its signal.
int driver_main(int argc, char **argv);

// The usage text, with the program name of `ms`.
void print_usage(const MsgSettings &ms);
// "Unknown option" and the usage text; ends the run with status 1.
[[noreturn]] void unknown_option(const MsgSettings &ms, const char *arg);
void print_banner(FILE *out);

struct RemapContext;

// Remaps each collected instance in list order with `ctx` and writes it to
// its reader's output; after each one the run stops if a signal has arrived
// or a write to `out` or `log` (either may be null) has failed.
void remap_all_instances(RemapContext *ctx, FILE *audit, CellInstance *instances,
                         OutputFile *out = nullptr, OutputFile *log = nullptr);
