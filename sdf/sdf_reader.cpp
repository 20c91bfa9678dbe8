// The SDF file reader. The header is read keyword by keyword in echo mode, so
// every header entry reaches the output as written; only SDFVERSION, TIMESCALE
// and DIVIDER are looked at. From the first CELL on the reader works in
// collect mode and decides per cell: a cell whose type has a template is
// parsed into a CellInstance, any other cell gets a rewritten opening and the
// rest of it is copied by the entry skipper in echo mode. Text between cells
// is passed over in collect mode, so it is dropped.
#include "sdf/sdf_reader.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "sdf/sdf_cond.h"
#include "sdf/sdf_delay.h"
#include "sdf/sdf_input.h"
#include "sdf/sdf_lexer.h"
#include "sdf/sdf_timingcheck.h"
#include "support/run_exit.h"
#include "support/support.h"

namespace {

// The reader's side of collection: the hooks, and where the oldest instance
// not yet taken began, in the arena, the condition trees and the token
// store, so that once the hook has taken every instance their memory is
// reused.
struct CellCollector {
    SdfTemplateHooks templates;
    SdfCollectHook collect;
    ArenaMark mark;
    ParsedCond *conds;
    char *store_block;
    char *store_next;
    bool taken; // the hook has taken instances
};

bool is_char(const SdfToken &tok, char c)
{
    return tok.len == 1 && *tok.text == c;
}

void premature_end(SdfReader *rd)
{
    msg_error_at(rd->source, "Premature end of file found.");
}

// After a request that failed: end of input is reported here, any other
// cause has been reported by the lexer.
void report_if_end(SdfReader *rd)
{
    if (sdf_at_end(rd))
        premature_end(rd);
}

void unexpected_end(SdfReader *rd)
{
    msg_error_at(rd->source, "Unexpected end of file");
}

// True when the version text names a version this tool reads.
bool check_version(SdfReader *rd, const char *text, int len)
{
    static const char versions[][4] = {"2.1", "3.0", "4.0"};
    for (int i = 0; i + 3 <= len; i++) {
        for (const char *version : versions) {
            if (memcmp(text + i, version, 3) != 0)
                continue;
            bool after_digit = i >= 1 && text[i - 1] >= '0' && text[i - 1] <= '9';
            bool after_digit_dot = i >= 2 && text[i - 1] == '.' && text[i - 2] >= '0' &&
                                   text[i - 2] <= '9';
            if (after_digit || after_digit_dot)
                msg_warning_at(rd->source, "Version string, \"%.*s\" is ambiguous", len, text);
            return true;
        }
    }
    msg_error_at(rd->source, "SDF file must be vesrion 2.1, 3.0 or 4.0");
    return false;
}

bool read_sdfversion(SdfReader *rd)
{
    SdfToken text;
    // A version that is there but not readable as a quoted string (reported
    // by the lexer) is checked as an empty text, which names no version.
    if (!sdf_quoted(rd, &text) && sdf_at_end(rd)) {
        premature_end(rd);
        return false;
    }
    if (!check_version(rd, text.text, text.len))
        return false;
    fputc('"', rd->out);
    fwrite(text.text, 1, static_cast<size_t>(text.len), rd->out);
    fputc('"', rd->out);
    // The version is taken; the header loop meets whatever stopped the skip.
    (void)sdf_skip_entry(rd);
    return true;
}

double number_value(const char *text, int len)
{
    char copy[SDF_LINE_BUF];
    double value = 0;
    memcpy(copy, text, static_cast<size_t>(len));
    copy[len] = '\0';
    if (sscanf(copy, "%lg", &value) != 1)
        return 0;
    return std::trunc(value);
}

// A missing number or unit ends the entry's handling; the header loop then
// meets the end of input.
void read_timescale(SdfReader *rd)
{
    SdfToken number;
    if (!sdf_number(rd, &number)) {
        unexpected_end(rd);
        return;
    }
    sdf_echo(rd, number);
    double value = number_value(number.text, number.len);
    SdfToken unit;
    if (!sdf_keyword(rd, &unit)) {
        unexpected_end(rd);
        return;
    }
    sdf_echo(rd, unit);
    switch (*unit.text) {
    case 'p':
        rd->timescale_exp = 0;
        break;
    case 'n':
        rd->timescale_exp = 3;
        break;
    case 'u':
        rd->timescale_exp = 6;
        break;
    default:
        msg_error_at(rd->source, "Illegal timescale specifier, must be ps, ns or us.");
    }
    if (value == 10)
        rd->timescale_exp += 1;
    else if (value == 100)
        rd->timescale_exp += 2;
    else if (value != 1)
        msg_error_at(rd->source, "Illegal timescale number, must be 1, 10 or 100");
    // The header loop meets whatever stopped the skip.
    (void)sdf_skip_entry(rd);
}

void read_divider(SdfReader *rd)
{
    SdfToken divider;
    if (!sdf_keyword(rd, &divider)) {
        unexpected_end(rd);
        return;
    }
    sdf_echo(rd, divider);
    if (divider.len == 1 && (*divider.text == '.' || *divider.text == '/'))
        rd->divider = *divider.text;
    else
        msg_error_at(rd->source, "Illegal DIVIDER entry, must be '.' or '/'");
    // The header loop meets whatever stopped the skip.
    (void)sdf_skip_entry(rd);
}

// Reads the header after "(DELAYFILE". True when the first CELL keyword has
// been read (the reader is then in collect mode), false on failure (reported).
bool read_header(SdfReader *rd)
{
    for (;;) {
        SdfToken tok;
        if (!sdf_keyword(rd, &tok)) {
            premature_end(rd);
            return false;
        }
        if (is_char(tok, '(')) {
            // Collect mode drops whatever stands between '(' and the keyword.
            rd->mode = MODE_COLLECT;
            if (!sdf_keyword(rd, &tok)) {
                premature_end(rd);
                return false;
            }
            if (sdf_is_keyword("CELL", tok.text, tok.len))
                return true;
            rd->mode = MODE_ECHO;
            fputc('(', rd->out);
        }
        sdf_echo(rd, tok);
        if (sdf_is_keyword("SDFVERSION", tok.text, tok.len)) {
            if (!read_sdfversion(rd))
                return false;
        } else if (sdf_is_keyword("TIMESCALE", tok.text, tok.len)) {
            read_timescale(rd);
        } else if (sdf_is_keyword("DIVIDER", tok.text, tok.len)) {
            read_divider(rd);
        }
    }
}

// Copies a cell without template: a fixed opening, then the input's own text
// from the end of the CELLTYPE entry through the cell's closing bracket.
void copy_cell(SdfReader *rd, const char *celltype, int len)
{
    rd->mode = MODE_ECHO;
    fputs("(CELL\n    (CELLTYPE \"", rd->out);
    fwrite(celltype, 1, static_cast<size_t>(len), rd->out);
    fputs("\")\n", rd->out);
    // The cell list meets whatever stopped the copy.
    (void)sdf_skip_entry(rd);
    rd->mode = MODE_COLLECT;
}

// Condition trees are the instances' only memory outside the arena.
void free_taken_cells(SdfReader *rd, CellCollector &cc)
{
    for (ParsedCond *c = rd->conds; c != cc.conds; c = c->next)
        cond_free(c->tree);
    rd->conds = cc.conds;
    rd->cells = nullptr;
    rd->last_cell = nullptr;
    arena_rewind(&rd->arena, cc.mark);
    rd->store_block = cc.store_block;
    rd->store_next = cc.store_next;
}

bool collect_cell(SdfReader *rd, CellCollector &cc, const char *celltype)
{
    if (!rd->cells) {
        cc.mark = arena_mark(&rd->arena);
        cc.conds = rd->conds;
        cc.store_block = rd->store_block;
        cc.store_next = rd->store_next;
    }
    if (!sdf_read_cell(rd, celltype))
        return false;
    if (cc.collect.take && cc.collect.take(cc.collect.ctx, rd)) {
        cc.taken = true;
        free_taken_cells(rd, cc);
    }
    return true;
}

// One CELL after its keyword: collected when its type has a template,
// copied otherwise. False on failure (reported).
bool read_cell_entry(SdfReader *rd, CellCollector &cc)
{
    const SdfTemplateHooks &templates = cc.templates;
    SdfToken tok;
    do {
        if (!sdf_keyword(rd, &tok)) {
            report_if_end(rd);
            return false;
        }
    } while (!sdf_is_keyword("CELLTYPE", tok.text, tok.len));
    SdfToken name;
    if (!sdf_quoted(rd, &name) && sdf_at_end(rd)) {
        premature_end(rd);
        return false;
    }
    // A name the lexer could not read is an empty one: no template has it,
    // so the cell is copied.
    // Only the copy's opening needs the name, so it is kept in scratch space
    // rather than the token store, which would grow with every copied cell.
    char celltype[SDF_LINE_BUF];
    if (name.len)
        memcpy(celltype, name.text, static_cast<size_t>(name.len));
    celltype[name.len] = '\0';
    CellInstance *tmpl = templates.lookup(templates.set, celltype, name.len);
    // A skip that fails has reported why; the cell is handled all the same
    // and the end of input, if that was the cause, is met by the next read.
    (void)sdf_skip_entry(rd);
    if (tmpl)
        return collect_cell(rd, cc, tmpl->celltype);
    copy_cell(rd, celltype, name.len);
    return true;
}

// A top-level block other than CELL is copied whole.
void copy_unknown_block(SdfReader *rd, const SdfToken &keyword)
{
    msg_warning_at(rd->source, "Unknown SDF block - skipping");
    rd->mode = MODE_ECHO;
    fputc('(', rd->out);
    sdf_echo(rd, keyword);
    // The cell list meets whatever stopped the copy.
    (void)sdf_skip_entry(rd);
    rd->mode = MODE_COLLECT;
}

CellInstance *link_templates(SdfReader *rd, const SdfTemplateHooks &templates)
{
    rd->mode = MODE_ECHO;
    for (CellInstance *inst = rd->cells; inst; inst = inst->next) {
        CellInstance *tmpl = templates.link(templates.set, inst->celltype);
        if (!tmpl)
            msg_fatal(10, *rd->source->msg, "Unable to find celltype \"%s\"", inst->celltype);
        inst->template_cell = tmpl;
    }
    rd->complete = 1;
    return rd->cells;
}

// The cell list, entered with the first CELL keyword just read.
CellInstance *read_cells(SdfReader *rd, CellCollector &cc)
{
    const SdfTemplateHooks &templates = cc.templates;
    templates.first_cell(templates.set, rd->timescale_exp);
    SdfToken tok{"CELL", 4};
    for (;;) {
        if (is_char(tok, '(')) {
            if (!sdf_keyword(rd, &tok)) {
                premature_end(rd);
                return nullptr;
            }
            if (!sdf_is_keyword("CELL", tok.text, tok.len))
                copy_unknown_block(rd, tok);
            else if (!read_cell_entry(rd, cc))
                return nullptr;
        } else if (is_char(tok, ')')) {
            return link_templates(rd, templates);
        } else if (sdf_is_keyword("CELL", tok.text, tok.len) && !read_cell_entry(rd, cc)) {
            return nullptr;
        }
        if (!sdf_keyword(rd, &tok)) {
            premature_end(rd);
            return nullptr;
        }
    }
}

void append_cell(SdfReader *rd, CellInstance *cell)
{
    if (!rd->cells)
        rd->cells = cell;
    else
        rd->last_cell->next = cell;
    rd->last_cell = cell;
}

// Reads one entry of a cell after its '('; false on failure (reported). A
// skip that fails does not fail the entry: what it reported stands, and the
// cell goes on with whatever follows, the end of input included.
bool read_cell_item(SdfReader *rd, CellInstance *cell)
{
    SdfToken kw;
    // No keyword at the end of input is an entry like any unknown one.
    (void)sdf_keyword(rd, &kw);
    if (sdf_is_keyword("INSTANCE", kw.text, kw.len)) {
        SdfToken path;
        // With no path there is nothing to store, so the cell is given up:
        // at the end of input in the words used for a truncated header.
        if (!sdf_token(rd, &path)) {
            report_if_end(rd);
            return false;
        }
        // "(INSTANCE)" names the top level: an empty path, entry complete.
        if (is_char(path, ')')) {
            cell->instance = sdf_store("", 0, rd);
            return true;
        }
        cell->instance = sdf_store(path.text, path.len, rd);
        (void)sdf_skip_entry(rd);
        return true;
    }
    if (sdf_is_keyword("CORRELATION", kw.text, kw.len)) {
        (void)sdf_skip_entry(rd);
        return true;
    }
    if (sdf_is_keyword("DELAY", kw.text, kw.len))
        return sdf_read_delay(rd, &cell->iopaths, &cell->paths, &cell->interconnects);
    if (sdf_is_keyword("TIMINGCHECK", kw.text, kw.len)) {
        // A block without entries gives up the cell like a failed one.
        TimingCheck *checks;
        if (!sdf_read_timingcheck(rd, &checks) || !checks)
            return false;
        cell->checks = checks;
        return true;
    }
    msg_warning_at(rd->source, "Unrecognised timing_spec entry");
    (void)sdf_skip_entry(rd);
    return true;
}

// The whole input after its reader is set up, as sdf_read.
CellInstance *read_delayfile(SdfReader *rd, CellCollector &cc)
{
    char open;
    if (!sdf_next_char(rd, &open) || open != '(') {
        msg_error_at(rd->source, "Expecting '('.  Bailing out\n");
        return nullptr;
    }
    fputc('(', rd->out);
    SdfToken tok;
    if (!sdf_keyword(rd, &tok) || !sdf_is_keyword("DELAYFILE", tok.text, tok.len)) {
        msg_error_at(rd->source, "Expected 'DELAYFILE'.  Bailing out\n");
        return nullptr;
    }
    sdf_echo(rd, tok);
    if (!read_header(rd))
        return nullptr;
    return read_cells(rd, cc);
}

// The reader goes; a collect hook that has met it forgets it first.
void drop_reader(SdfReader *rd, const CellCollector &cc)
{
    if (cc.taken && cc.collect.forget)
        cc.collect.forget(cc.collect.ctx);
    sdf_reader_free(rd);
}

} // namespace

CellInstance *sdf_read(const char *in_name, const char *out_name, FILE *in, FILE *out,
                       const SdfReadSetup &setup)
{
    SdfReader *rd = sdf_reader_create(in, in_name, *setup.msg, out_name, out, MODE_ECHO, 0,
                                      setup.block_size);
    rd->extended = setup.extended;
    rd->sink = setup.sink;
    CellCollector cc{setup.templates, setup.collect, ArenaMark{}, nullptr, nullptr, nullptr, false};
    CellInstance *cells;
    try {
        cells = read_delayfile(rd, cc);
    } catch (const RunExit &) {
        drop_reader(rd, cc);
        throw;
    }
    // Nothing refers to the reader of a failed read any more, nor to that of
    // a whole read whose instances the collect hook has all taken.
    if (!cells && !(rd->complete && cc.taken))
        drop_reader(rd, cc);
    return cells;
}

bool sdf_read_cell(SdfReader *rd, const char *celltype)
{
    CellInstance *cell = static_cast<CellInstance *>(arena_alloc(&rd->arena, sizeof(CellInstance)));
    memset(cell, 0, sizeof(CellInstance));
    cell->celltype = celltype;
    cell->reader = rd;
    append_cell(rd, cell);
    for (;;) {
        SdfToken tok;
        // The end of input is no bracket, and reported as a missing one.
        (void)sdf_keyword(rd, &tok);
        if (is_char(tok, ')')) {
            if (cell->instance)
                return true;
            msg_error_at(rd->source, "Cell %s does not contain an instance", celltype);
            return false;
        }
        if (!is_char(tok, '(')) {
            msg_error_at(rd->source, "Expected open bracket");
            return false;
        }
        if (!read_cell_item(rd, cell))
            return false;
    }
}

void sdf_check_end(SdfReader *rd)
{
    fputs("\n)", rd->out);
    SdfToken tok;
    if (sdf_keyword(rd, &tok)) {
        msg_error_at(rd->source, "Garbage at end of file");
        do
            sdf_echo(rd, tok);
        while (sdf_keyword(rd, &tok));
    }
    sdf_reader_free(rd);
}
