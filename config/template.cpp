// Template loading reads <cell>.sdft with the SDF cell parser in template
// syntax: everything before the CELLTYPE keyword is passed over unread, the
// quoted cell type names the cell the template serves, and the rest of the
// first CELL is parsed like an input cell, with parameter names in place of
// numbers. Bus-ranged output and data ports are then split into one entry per
// bit, the timing defaults are read (unless disabled) and the preferences
// attached. Only the first cell of the file is ever looked at.
#include "config/template.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/prefs.h"
#include "config/tdef.h"
#include "sdf/sdf_input.h"
#include "sdf/sdf_lexer.h"
#include "sdf/sdf_reader.h"
#include "support/list.h"
#include "support/messages.h"
#include "support/run_exit.h"
#include "support/support.h"

namespace {

const char defaults_suffixes[3][10] = {"_min.tdef", "_typ.tdef", "_max.tdef"};

// Passes over the opening of the cell up to and including CELLTYPE; false at
// end of input.
bool skip_to_celltype(SdfReader *rd)
{
    SdfToken word;
    while (sdf_keyword(rd, &word))
        if (sdf_is_keyword("CELLTYPE", word.text, word.len))
            return true;
    return false;
}

// The stored cell type name, or null. The lexer reports a malformed string
// itself but is silent at end of input, which is reported here.
const char *read_celltype_name(SdfReader *rd)
{
    SdfToken text;
    if (!sdf_quoted(rd, &text)) {
        if (sdf_at_end(rd))
            msg_error_at(rd->source, "Unexpected end of file");
        return nullptr;
    }
    const char *name = sdf_store(text.text, text.len, rd);
    // The cell body's reader meets whatever stopped the skip.
    (void)sdf_skip_entry(rd);
    return name;
}

// The reader outlives its file: its cells and messages refer to it.
void close_template_input(SdfReader *rd)
{
    sdf_input_release(rd);
    fclose(rd->source->stream);
    rd->source->stream = nullptr;
}

bool file_readable(const char *name)
{
    FILE *probe = fopen(name, "r");
    if (!probe)
        return false;
    fclose(probe);
    return true;
}

// The _min/_typ/_max file of the defaults mode when it exists, else <cell>.tdef.
std::string choose_defaults_file(const char *cell_name, int defaults_mode, FILE *audit)
{
    std::string first = std::string(cell_name) + defaults_suffixes[defaults_mode];
    if (file_readable(first.c_str()))
        return first;
    fprintf(audit, "Unable to open \"%s\" for reading\n", first.c_str());
    return std::string(cell_name) + ".tdef";
}

void read_defaults(const CellTemplate *entry, int defaults_mode, CellInstance *cell, FILE *audit,
                   const MsgSettings &ms)
{
    std::string name = choose_defaults_file(entry->cell_name, defaults_mode, audit);
    msg_info(ms, "Reading defaults from \"%s\"", name.c_str());
    int status;
    cell->defaults = tdef_read(name.c_str(), ms, &status);
    switch (status) {
    case TDEF_OK:
        msg_info(ms, "Defaults read successfully");
        fprintf(audit, "Read timing defaults from \"%s\"\n", name.c_str());
        return;
    case TDEF_CORRUPT:
        msg_error(ms, "Defaults file, \"%s\" is corrupt", name.c_str());
        throw RunExit{1};
    case TDEF_NOT_DEFAULTS:
        msg_warning(ms, "File, \"%s\" is not a defaults file, ignored", name.c_str());
        break;
    case TDEF_NOT_FOUND:
        msg_warning(ms, "File, \"%s\" not found - ignored", name.c_str());
        break;
    }
    fprintf(audit, "Defaults not read for cell, \"%s\"\n", entry->cell_name);
}

// Splits the record whose port `port` has a bus range into one record per
// bit, lowest bit first, in place of the original.
template <typename Record>
Record *expand_bits(Arena *arena, Record *record, PortSpec Record::*port)
{
    Record *after = record->next;
    int msb = (record->*port).msb;
    int lsb = (record->*port).lsb;
    if (msb == -1 || lsb == -1)
        return after;
    (record->*port).lsb = -1;
    Record *last = record;
    // Stops on reaching msb rather than after it, so a range ending at the
    // largest int does not step past it.
    for (int bit = lsb;; bit++) {
        if (bit != lsb) {
            Record *copy = static_cast<Record *>(arena_alloc(arena, sizeof(Record)));
            *copy = *record;
            last->next = copy;
            last = copy;
        }
        (last->*port).msb = bit;
        if (bit >= msb)
            break;
    }
    last->next = after;
    return after;
}

// Splits an IOPATH with a bus-ranged output into one entry per bit, in
// place; returns the record that followed it before the split.
PathEntry *expand_iopath(Arena *arena, PathEntry *entry)
{
    return expand_bits(arena, entry, &PathEntry::out_port);
}

// Reads the template of `entry` into entry->reader, which keeps whatever was
// read, failed or not; true when the template cell was read whole.
bool template_read(CellTemplate *entry, int defaults_mode, FILE *audit, const MsgSettings &ms)
{
    std::string file_name = std::string(entry->cell_name) + ".sdft";
    FILE *in = fopen(file_name.c_str(), "r");
    if (!in) {
        fprintf(stderr, "Could not open \"%s\"\n", file_name.c_str());
        return false;
    }
    SdfReader *rd = sdf_reader_create(in, file_name.c_str(), ms, nullptr, nullptr, MODE_COLLECT, 1);
    entry->reader = rd;
    if (!skip_to_celltype(rd)) {
        msg_error_at(rd->source, "Unexpected end of file");
        close_template_input(rd);
        return false;
    }
    const char *celltype = read_celltype_name(rd);
    if (!celltype) {
        close_template_input(rd);
        return false;
    }
    fprintf(audit, "\n********\nCell %s from template %s\n", celltype, file_name.c_str());
    bool read = sdf_read_cell(rd, celltype);
    close_template_input(rd);

    // The cell exists even when its body failed to parse, and its defaults
    // are still read so that every problem of the template is reported at once.
    CellInstance *cell = rd->cells;
    cell->use_defaults = entry->use_defaults;
    for (PathEntry *path = cell->iopaths; path;)
        path = expand_iopath(&rd->arena, path);
    for (TimingCheck *check = cell->checks; check;)
        check = expand_check_bits(&rd->arena, check);
    if (entry->use_defaults)
        read_defaults(entry, defaults_mode, cell, audit, ms);
    return read;
}

void entry_free(CellTemplate *entry)
{
    if (SdfReader *rd = entry->reader) {
        if (CellInstance *cell = rd->cells) {
            tdef_free(cell->defaults);
            prefs_free(cell->prefs);
        }
        sdf_reader_free(rd);
    }
    free(entry);
}

// Cell type names follow the keyword rule: same length, case ignored.
bool serves_cell_type(const CellInstance *cell, const char *name, int len)
{
    if (sdf_is_keyword(cell->celltype, name, len))
        return true;
    if (!cell->prefs)
        return false;
    for (const CellEqName *eq = cell->prefs->celleq; eq; eq = eq->next)
        if (sdf_is_keyword(eq->name, name, len))
            return true;
    return false;
}

} // namespace

int template_load(TemplateSet *set, const char *cell_name, int use_defaults,
                  const char *prefs_name, FILE *audit, const MsgSettings &ms)
{
    for (const CellTemplate *known = set->registry; known; known = known->next)
        if (strcmp(known->cell_name, cell_name) == 0)
            return 0;

    CellTemplate *entry = static_cast<CellTemplate *>(xmalloc(sizeof(CellTemplate)));
    entry->cell_name = cell_name;
    entry->use_defaults = use_defaults;
    entry->reader = nullptr;
    list_prepend(&set->registry, entry);

    msg_info(ms, "Reading template file \"%s\"", cell_name);
    if (!template_read(entry, set->defaults_mode, audit, ms)) {
        set->registry = entry->next;
        entry_free(entry);
        return 0;
    }
    if (prefs_name) {
        CellInstance *cell = template_cell_of(entry);
        cell->prefs = prefs_read(prefs_name, ms);
        if (!cell->prefs)
            msg_error(ms, "Preferemces file read failed");
    }
    msg_info(ms, "Template read succeeded");
    return 1;
}

TimingCheck *expand_check_bits(Arena *arena, TimingCheck *check)
{
    return expand_bits(arena, check, &TimingCheck::data_port);
}

void template_set_free(TemplateSet *set, const CellTemplate *keep)
{
    while (set->registry && set->registry != keep) {
        CellTemplate *entry = set->registry;
        set->registry = entry->next;
        entry_free(entry);
    }
}

namespace {

// The template cell of the first registry entry serving the input cell type
// `name` (length `len`): by its celltype or a celleq name, case ignored.
CellInstance *lookup(const TemplateSet *set, const char *name, int len)
{
    for (const CellTemplate *entry = set->registry; entry; entry = entry->next) {
        CellInstance *cell = template_cell_of(entry);
        if (cell && serves_cell_type(cell, name, len))
            return cell;
    }
    return nullptr;
}

void set_scale_shifts(const TemplateSet *set, int timescale_exp)
{
    for (const CellTemplate *entry = set->registry; entry; entry = entry->next) {
        CellInstance *cell = template_cell_of(entry);
        if (!cell || !cell->defaults)
            continue;
        int digits = 0;
        for (int64_t power = 1; power < cell->defaults->timescale_ps; power *= 10)
            digits++;
        cell->scale_shift = digits - timescale_exp;
    }
}

CellInstance *cell_of_celltype(const TemplateSet *set, const char *celltype)
{
    for (const CellTemplate *entry = set->registry; entry; entry = entry->next) {
        CellInstance *cell = template_cell_of(entry);
        if (cell && strcmp(cell->celltype, celltype) == 0)
            return cell;
    }
    return nullptr;
}

} // namespace

SdfTemplateHooks template_hooks(const TemplateSet *set)
{
    return SdfTemplateHooks{set, lookup, set_scale_shifts, cell_of_celltype};
}
