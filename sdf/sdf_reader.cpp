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
#include "support/arena.h"
#include "support/support.h"

namespace {

// The reader's side of collection: the hooks, and where the oldest instance
// not yet taken began, in the arena and in the token store, so that once
// the hook has taken every instance their memory is reused.
struct CellCollector {
    SdfTemplateHooks templates;
    SdfCollectHook collect;
    ArenaMark mark;
    char *store_block;
    char *store_next;
};

bool is_char(const char *tok, int len, char c)
{
    return tok && len == 1 && *tok == c;
}

void premature_end(SdfReader *rd)
{
    msg_error_at(rd->source, "Premature end of file found.");
}

// After a read that yielded nothing: end of input is reported here, any
// other cause has been reported by the lexer.
void report_if_end(SdfReader *rd, long long errors_before)
{
    if (rd->source->errors == errors_before)
        premature_end(rd);
}

// 1 when the version text names a version this tool reads.
int check_version(SdfReader *rd, const char *text, int len)
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
            return 1;
        }
    }
    msg_error_at(rd->source, "SDF file must be vesrion 2.1, 3.0 or 4.0");
    return 0;
}

int read_sdfversion(SdfReader *rd)
{
    long long errors = rd->source->errors;
    int len;
    char *text = sdf_quoted(rd, &len);
    // A version that is there but not readable as a quoted string (reported
    // by the lexer) is checked as an empty text, which names no version.
    if (!text && rd->source->errors == errors) {
        premature_end(rd);
        return 0;
    }
    if (!check_version(rd, text, len))
        return 0;
    fputc('"', rd->out);
    fwrite(text, 1, static_cast<size_t>(len), rd->out);
    fputc('"', rd->out);
    sdf_skip_entry(rd);
    return 1;
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
    int len;
    char *number = sdf_number(rd, &len);
    sdf_echo(rd, number, len);
    if (!number)
        return;
    double value = number_value(number, len);
    char *unit = sdf_keyword(rd, &len);
    sdf_echo(rd, unit, len);
    if (!unit)
        return;
    switch (*unit) {
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
    sdf_skip_entry(rd);
}

void read_divider(SdfReader *rd)
{
    int len;
    char *divider = sdf_keyword(rd, &len);
    sdf_echo(rd, divider, len);
    if (!divider)
        return;
    if (len == 1 && (*divider == '.' || *divider == '/'))
        rd->divider = *divider;
    else
        msg_error_at(rd->source, "Illegal DIVIDER entry, must be '.' or '/'");
    sdf_skip_entry(rd);
}

// Reads the header after "(DELAYFILE". 1 when the first CELL keyword has been
// read (the reader is then in collect mode), 0 on failure (reported).
int read_header(SdfReader *rd)
{
    for (;;) {
        int len;
        char *tok = sdf_keyword(rd, &len);
        if (!tok) {
            premature_end(rd);
            return 0;
        }
        if (is_char(tok, len, '(')) {
            // Collect mode drops whatever stands between '(' and the keyword.
            rd->mode = MODE_COLLECT;
            tok = sdf_keyword(rd, &len);
            if (!tok) {
                premature_end(rd);
                return 0;
            }
            if (sdf_is_keyword("CELL", tok, len))
                return 1;
            rd->mode = MODE_ECHO;
            fputc('(', rd->out);
        }
        sdf_echo(rd, tok, len);
        if (sdf_is_keyword("SDFVERSION", tok, len)) {
            if (!read_sdfversion(rd))
                return 0;
        } else if (sdf_is_keyword("TIMESCALE", tok, len)) {
            read_timescale(rd);
        } else if (sdf_is_keyword("DIVIDER", tok, len)) {
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
    sdf_skip_entry(rd);
    rd->mode = MODE_COLLECT;
}

// Condition texts and trees are the instance's only memory outside the arena.
void free_taken_cells(SdfReader *rd, CellCollector &cc)
{
    for (CellInstance *cell = rd->cells; cell; cell = cell->next) {
        for (PathEntry *entry = cell->iopaths; entry; entry = entry->next) {
            cond_free(entry->cond);
            free(entry->cond_text);
        }
    }
    rd->cells = nullptr;
    rd->last_cell = nullptr;
    arena_rewind(cc.mark);
    rd->store_block = cc.store_block;
    rd->store_next = cc.store_next;
}

int collect_cell(SdfReader *rd, CellCollector &cc, const char *celltype)
{
    if (!rd->cells) {
        cc.mark = arena_mark();
        cc.store_block = rd->store_block;
        cc.store_next = rd->store_next;
    }
    if (!sdf_read_cell(rd, celltype))
        return 0;
    if (cc.collect.take && cc.collect.take(cc.collect.ctx, rd))
        free_taken_cells(rd, cc);
    return 1;
}

// One CELL after its keyword: collected when its type has a template,
// copied otherwise. 0 on failure (reported).
int read_cell_entry(SdfReader *rd, CellCollector &cc)
{
    const SdfTemplateHooks &templates = cc.templates;
    long long errors = rd->source->errors;
    int len;
    char *tok;
    do {
        tok = sdf_keyword(rd, &len);
        if (!tok) {
            report_if_end(rd, errors);
            return 0;
        }
    } while (!sdf_is_keyword("CELLTYPE", tok, len));
    char *name = sdf_quoted(rd, &len);
    if (!name && rd->source->errors == errors) {
        premature_end(rd);
        return 0;
    }
    // A name the lexer could not read is an empty one: no template has it,
    // so the cell is copied.
    // Only the copy's opening needs the name, so it is kept in scratch space
    // rather than the token store, which would grow with every copied cell.
    char celltype[SDF_LINE_BUF];
    if (len)
        memcpy(celltype, name, static_cast<size_t>(len));
    celltype[len] = '\0';
    CellInstance *tmpl = templates.lookup(templates.set, celltype, len);
    // A skip that fails has reported why; the cell is handled all the same
    // and the end of input, if that was the cause, is met by the next read.
    sdf_skip_entry(rd);
    if (tmpl)
        return collect_cell(rd, cc, tmpl->celltype);
    copy_cell(rd, celltype, len);
    return 1;
}

// A top-level block other than CELL is copied whole.
void copy_unknown_block(SdfReader *rd, const char *keyword, int len)
{
    msg_warning_at(rd->source, "Unknown SDF block - skipping");
    rd->mode = MODE_ECHO;
    fputc('(', rd->out);
    sdf_echo(rd, keyword, len);
    sdf_skip_entry(rd);
    rd->mode = MODE_COLLECT;
}

CellInstance *link_templates(SdfReader *rd, const SdfTemplateHooks &templates)
{
    rd->mode = MODE_ECHO;
    for (CellInstance *inst = rd->cells; inst; inst = inst->next) {
        CellInstance *tmpl = templates.link(templates.set, inst->celltype);
        if (!tmpl)
            msg_fatal(10, program_name, "Unable to find celltype \"%s\"", inst->celltype);
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
    const char *tok = "CELL";
    int len = 4;
    for (;;) {
        if (is_char(tok, len, '(')) {
            tok = sdf_keyword(rd, &len);
            if (!tok) {
                premature_end(rd);
                return nullptr;
            }
            if (!sdf_is_keyword("CELL", tok, len))
                copy_unknown_block(rd, tok, len);
            else if (!read_cell_entry(rd, cc))
                return nullptr;
        } else if (is_char(tok, len, ')')) {
            return link_templates(rd, templates);
        } else if (sdf_is_keyword("CELL", tok, len) && !read_cell_entry(rd, cc)) {
            return nullptr;
        }
        tok = sdf_keyword(rd, &len);
        if (!tok) {
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

// Reads one entry of a cell after its '('; 0 on failure (reported). A skip
// that fails does not fail the entry: what it reported stands, and the cell
// goes on with whatever follows, the end of input included.
int read_cell_item(SdfReader *rd, CellInstance *cell)
{
    long long errors = rd->source->errors;
    int len;
    // No keyword at the end of input is an entry like any unknown one.
    char *kw = sdf_keyword(rd, &len);
    if (sdf_is_keyword("INSTANCE", kw, len)) {
        char *path = sdf_token(rd, &len);
        // With no path there is nothing to store, so the cell is given up:
        // at the end of input in the words used for a truncated header.
        if (!path) {
            report_if_end(rd, errors);
            return 0;
        }
        // "(INSTANCE)" names the top level: an empty path, entry complete.
        if (is_char(path, len, ')')) {
            cell->instance = sdf_store("", 0, rd);
            return 1;
        }
        cell->instance = sdf_store(path, len, rd);
        sdf_skip_entry(rd);
        return 1;
    }
    if (sdf_is_keyword("CORRELATION", kw, len)) {
        sdf_skip_entry(rd);
        return 1;
    }
    if (sdf_is_keyword("DELAY", kw, len))
        return sdf_read_delay(rd, &cell->iopaths, &cell->paths, &cell->interconnects);
    if (sdf_is_keyword("TIMINGCHECK", kw, len)) {
        TimingCheck *checks = sdf_read_timingcheck(rd);
        if (!checks)
            return 0;
        cell->checks = checks;
        return 1;
    }
    msg_warning_at(rd->source, "Unrecognised timing_spec entry");
    sdf_skip_entry(rd);
    return 1;
}

} // namespace

CellInstance *sdf_read(const char *in_name, const char *out_name, FILE *in, FILE *out,
                       const SdfReadSetup &setup)
{
    SdfReader *rd = sdf_reader_create(in, in_name, out_name, out, MODE_ECHO, 0, setup.block_size);
    rd->extended = setup.extended;
    rd->sink = setup.sink;
    char *open = sdf_next_char(rd);
    if (!open || *open != '(') {
        msg_error_at(rd->source, "Expecting '('.  Bailing out\n");
        return nullptr;
    }
    fputc('(', out);
    int len;
    char *tok = sdf_keyword(rd, &len);
    if (!sdf_is_keyword("DELAYFILE", tok, len)) {
        msg_error_at(rd->source, "Expected 'DELAYFILE'.  Bailing out\n");
        return nullptr;
    }
    sdf_echo(rd, tok, len);
    if (!read_header(rd))
        return nullptr;
    CellCollector cc{setup.templates, setup.collect, ArenaMark{}, nullptr, nullptr};
    return read_cells(rd, cc);
}

int sdf_read_cell(SdfReader *rd, const char *celltype)
{
    CellInstance *cell = static_cast<CellInstance *>(arena_alloc(sizeof(CellInstance)));
    memset(cell, 0, sizeof(CellInstance));
    cell->celltype = celltype;
    cell->reader = rd;
    append_cell(rd, cell);
    for (;;) {
        int len;
        char *tok = sdf_keyword(rd, &len);
        if (is_char(tok, len, ')')) {
            if (cell->instance)
                return 1;
            msg_error_at(rd->source, "Cell %s does not contain an instance", celltype);
            return 0;
        }
        if (!is_char(tok, len, '(')) {
            msg_error_at(rd->source, "Expected open bracket");
            return 0;
        }
        if (!read_cell_item(rd, cell))
            return 0;
    }
}

void sdf_check_end(SdfReader *rd)
{
    fputs("\n)", rd->out);
    int len;
    char *tok = sdf_keyword(rd, &len);
    if (tok) {
        msg_error_at(rd->source, "Garbage at end of file");
        for (; tok; tok = sdf_keyword(rd, &len))
            sdf_echo(rd, tok, len);
    }
    sdf_input_release(rd);
    free(rd);
}
