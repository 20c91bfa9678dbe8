// The template registry: one entry per -cell, newest first.
#pragma once

#include <cstdio>

#include "sdf/sdf_model.h"
#include "sdf/sdf_reader.h"

struct CellTemplate {
    CellTemplate *next;
    const char *cell_name; // the -cell argument, not copied
    int use_defaults;
    SdfReader *reader; // its first cell is the template cell; null until loaded
};

// The templates of a run and how their defaults are chosen.
struct TemplateSet {
    CellTemplate *registry = nullptr; // one entry per -cell, newest first
    int defaults_mode = 1;            // file tried first: 0 _min, 1 _typ, 2 _max
};

// Loads <cell_name>.sdft and registers it in `set`, reporting through `ms`
// (kept by the template's reader); 1 for a newly loaded template, 0 when
// already registered or loading failed.
int template_load(TemplateSet *set, const char *cell_name, int use_defaults,
                  const char *prefs_name, FILE *audit, const MsgSettings &ms);

// Splits a timing check with a bus-ranged data port into one check per bit,
// in place, the new ones in `arena`; returns the record that followed it
// before the split.
TimingCheck *expand_check_bits(Arena *arena, TimingCheck *check);

// Frees the templates registered after `keep` (all of them when null) with
// everything they hold: readers, cells, defaults and preferences.
void template_set_free(TemplateSet *set, const CellTemplate *keep = nullptr);

// The hooks through which the SDF reader reaches the templates of `set`:
// lookup finds the template cell of the first registry entry serving the
// input cell type, by its celltype or a celleq name, case ignored; at the first CELL the scale shift of every
// template cell with defaults is set from the input's time unit; linking
// finds the template cell by its exact celltype string.
SdfTemplateHooks template_hooks(const TemplateSet *set);

// The template cell of a registry entry (first cell of its reader).
inline CellInstance *template_cell_of(const CellTemplate *entry)
{
    return entry->reader ? entry->reader->cells : nullptr;
}
