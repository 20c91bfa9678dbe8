// The command line and the order of a run.
#pragma once

#include <cstdio>

#include "sdf/sdf_model.h"

extern const char *const KESTROVE_VERSION;

// Reads the arguments, runs the remapping and returns the exit status:
// 0 when instances were remapped, 1 otherwise. Some errors exit directly.
int driver_main(int argc, char **argv);

void print_usage();
[[noreturn]] void unknown_option(const char *arg);
void print_banner(FILE *out);

// Remaps each collected instance in list order and writes it to the output.
void remap_all_instances(FILE *audit, CellInstance *instances);
