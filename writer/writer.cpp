// Remapped cells are written in one fixed layout, whatever the layout of the
// input cell was. Values are written as their stored texts; the only numbers
// formatted here are bus indices.
#include "writer/writer.h"

#include "config/prefs.h"
#include "remap/notation.h"
#include "support/messages.h"

namespace {

void write_value(int triple_form, FILE *out, const ValueTriple *value)
{
    fputc('(', out);
    if (!value->min && (triple_form == FORM_SINGLE || (!value->typ && !value->max))) {
        fputc(')', out);
        return;
    }
    const char *parts[3] = {value->min, value->typ, value->max};
    int count = triple_form == FORM_TRIPLE ? 3 : 1;
    for (int i = 0; i < count; i++) {
        if (parts[i])
            fputs(parts[i], out);
        fputc(i + 1 < count ? ':' : ')', out);
    }
}

void write_present_values(int triple_form, FILE *out, const ValueTriple values[6])
{
    for (int i = 0; i < 6; i++) {
        if (values[i].absent)
            continue;
        fputc(' ', out);
        write_value(triple_form, out, &values[i]);
    }
}

void write_paths(SdfReader *rd, const PathDelay *paths)
{
    for (const PathDelay *path = paths; path; path = path->next) {
        fputs("      (PATH ", rd->out);
        write_port(rd->out, &path->port);
        fputc(' ', rd->out);
        write_present_values(rd->triple_form, rd->out, path->delays);
        fputs(")\n", rd->out);
    }
}

void write_interconnects(SdfReader *rd, const InterconnectDelay *interconnects)
{
    for (const InterconnectDelay *net = interconnects; net; net = net->next) {
        fputs("      (INTERCONNECT ", rd->out);
        write_port(rd->out, &net->from_port);
        fputc(' ', rd->out);
        write_port(rd->out, &net->to_port);
        fputc(' ', rd->out);
        write_present_values(rd->triple_form, rd->out, net->delays);
        fputs(")\n", rd->out);
    }
}

void write_iopath(SdfReader *rd, const PathEntry *entry, bool emit_retain)
{
    FILE *out = rd->out;
    fputs("      ", out);
    write_iopath_opening(out, entry);
    if (entry->has_retain && emit_retain) {
        fputs(" (RETAIN", out);
        write_present_values(rd->triple_form, out, entry->retain);
        fputc(')', out);
    }
    write_present_values(rd->triple_form, out, entry->delays);
    if (entry->cond_text)
        fputc(')', out);
    fputs(")\n", out);
}

void write_check_port(FILE *out, const char *cond, const PortSpec *port)
{
    if (!cond) {
        write_port(out, port);
        return;
    }
    fprintf(out, "(COND %s ", cond);
    write_port(out, port);
    fputc(')', out);
}

// The keyword of a check kind a remapped cell may carry; the other kinds
// cannot come out of the remapping of a valid template and end the run.
const char *template_check_keyword(const TimingCheck *check, const RemapResult *result,
                                   const MsgSettings &ms)
{
    switch (static_cast<CheckKind>(check->kind)) {
    case CHECK_SETUP:
    case CHECK_HOLD:
    case CHECK_SETUPHOLD:
    case CHECK_WIDTH:
    case CHECK_PERIOD:
        return check_keywords[check->kind];
    case CHECK_NOCHANGE:
    case CHECK_RECOVERY:
    case CHECK_REMOVAL:
    case CHECK_RECREM:
    case CHECK_OTHER:
        break;
    }
    msg_fatal(15, ms, "Unsupported check type in template, celltype \"%s\"",
              result->celltype);
}

void write_check(SdfReader *rd, const TimingCheck *check, const RemapResult *result)
{
    FILE *out = rd->out;
    fputs("    (", out);
    fprintf(out, "%s ", template_check_keyword(check, result, *rd->source->msg));
    if (check->kind != CHECK_WIDTH && check->kind != CHECK_PERIOD) {
        write_check_port(out, check->data_cond, &check->data_port);
        fputc(' ', out);
    }
    write_check_port(out, check->ref_cond, &check->ref_port);
    fputc(' ', out);
    write_value(rd->triple_form, out, &check->value1);
    if (check->kind == CHECK_SETUPHOLD) {
        fputc(' ', out);
        write_value(rd->triple_form, out, &check->value2);
    }
    fputs(")\n", out);
}

void write_delay_block(SdfReader *rd, RemapResult *result, const Preferences *prefs)
{
    if (!result->iopaths)
        return;
    fputs("    (DELAY\n      (ABSOLUTE\n", rd->out);
    write_paths(rd, result->paths);
    if (prefs && prefs->emit_mipd)
        write_interconnects(rd, result->interconnects);
    bool emit_retain = prefs && prefs->emit_retain;
    for (const PathEntry *entry = result->iopaths; entry; entry = entry->next)
        write_iopath(rd, entry, emit_retain);
    fputs("      )\n    )\n", rd->out);
}

void write_timing_checks(SdfReader *rd, RemapResult *result)
{
    if (!result->checks)
        return;
    fputs("    (TIMINGCHECK\n", rd->out);
    for (const TimingCheck *check = result->checks; check; check = check->next)
        write_check(rd, check, result);
    fputs("    )\n", rd->out);
}

} // namespace

void write_remapped_cell(SdfReader *rd, RemapResult *result, const Preferences *prefs)
{
    int mode = rd->mode;
    rd->mode = MODE_ECHO;
    fputs("\n  // CELL remapped by Brenlow kestrove tool\n\n", rd->out);
    fprintf(rd->out, "  (CELL\n    (CELLTYPE \"%s\")\n    (INSTANCE %s)\n", result->celltype,
            result->instance);
    write_delay_block(rd, result, prefs);
    write_timing_checks(rd, result);
    fputs("  )\n", rd->out);
    rd->mode = mode;
}
