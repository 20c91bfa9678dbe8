// The template registry: one entry per -cell, newest first.
#pragma once

#include <cstdio>

#include "sdf/sdf_model.h"

struct CellTemplate {
    CellTemplate *next;
    const char *cell_name; // the -cell argument, not copied
    int use_defaults;
    SdfReader *reader; // its first cell is the template cell; null until loaded
};

extern CellTemplate *template_registry;

// Which defaults file is tried first: 0 _min, 1 _typ, 2 _max.
extern int defaults_mode;

// Loads <cell_name>.sdft and registers it; 1 for a newly loaded template,
// 0 when already registered or loading failed.
int template_load(const char *cell_name, int use_defaults, const char *prefs_name,
                  FILE *audit);
void template_read(CellTemplate *entry, FILE *audit);

// Split a template entry with a bus range into one entry per bit, in place;
// return the record that followed it before the split.
PathEntry *expand_iopath_bits(PathEntry *entry);
TimingCheck *expand_check_bits(TimingCheck *check);

// The template cell of the first registry entry serving the input cell type
// `name` (length `len`): by its celltype or a celleq name, case ignored.
CellInstance *template_lookup(const char *name, int len);

// The template cell of a registry entry (first cell of its reader).
inline CellInstance *template_cell_of(const CellTemplate *entry)
{
    return entry->reader ? entry->reader->cells : nullptr;
}
