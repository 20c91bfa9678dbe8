// Remapped cells are written in one fixed layout, whatever the layout of the
// input cell was. Values are written as their stored texts; the only numbers
// formatted here are bus indices.
#include "writer/writer.h"

#include "config/prefs.h"
#include "remap/notation.h"
#include "support/messages.h"

namespace {

void write_value(int triple_form, TextOut *out, const ValueTriple *value)
{
    text_char(out, '(');
    if (!value->min && (triple_form == FORM_SINGLE || (!value->typ && !value->max))) {
        text_char(out, ')');
        return;
    }
    const char *parts[3] = {value->min, value->typ, value->max};
    int count = triple_form == FORM_TRIPLE ? 3 : 1;
    for (int i = 0; i < count; i++) {
        if (parts[i])
            text_str(out, parts[i]);
        text_char(out, i + 1 < count ? ':' : ')');
    }
}

void write_present_values(int triple_form, TextOut *out, const ValueTriple values[6])
{
    for (int i = 0; i < 6; i++) {
        if (values[i].absent)
            continue;
        text_char(out, ' ');
        write_value(triple_form, out, &values[i]);
    }
}

void write_paths(const SdfReader *rd, TextOut *out, const PathDelay *paths)
{
    for (const PathDelay *path = paths; path; path = path->next) {
        text_lit(out, "      (PATH ");
        write_port(out, &path->port);
        text_char(out, ' ');
        write_present_values(rd->triple_form, out, path->delays);
        text_lit(out, ")\n");
    }
}

void write_interconnects(const SdfReader *rd, TextOut *out,
                         const InterconnectDelay *interconnects)
{
    for (const InterconnectDelay *net = interconnects; net; net = net->next) {
        text_lit(out, "      (INTERCONNECT ");
        write_port(out, &net->from_port);
        text_char(out, ' ');
        write_port(out, &net->to_port);
        text_char(out, ' ');
        write_present_values(rd->triple_form, out, net->delays);
        text_lit(out, ")\n");
    }
}

void write_iopath(const SdfReader *rd, TextOut *out, const PathEntry *entry, bool emit_retain)
{
    text_lit(out, "      ");
    write_iopath_opening(out, entry);
    if (entry->has_retain && emit_retain) {
        text_lit(out, " (RETAIN");
        write_present_values(rd->triple_form, out, entry->retain);
        text_char(out, ')');
    }
    write_present_values(rd->triple_form, out, entry->delays);
    if (entry->cond_text)
        text_char(out, ')');
    text_lit(out, ")\n");
}

// The keyword of a check kind a remapped cell may carry; the other kinds
// cannot come out of the remapping of a valid template and end the run, the
// cell written as far as it got.
const char *template_check_keyword(const TimingCheck *check, const RemapResult *result,
                                   const MsgSettings &ms, TextOut *out)
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
    text_flush(out);
    msg_fatal(15, ms, "Unsupported check type in template, celltype \"%s\"",
              result->celltype);
}

void write_check(const SdfReader *rd, TextOut *out, const TimingCheck *check,
                 const RemapResult *result)
{
    text_lit(out, "    (");
    text_str(out, template_check_keyword(check, result, *rd->source->msg, out));
    text_char(out, ' ');
    if (check->kind != CHECK_WIDTH && check->kind != CHECK_PERIOD) {
        write_check_port(out, check->data_cond, &check->data_port);
        text_char(out, ' ');
    }
    write_check_port(out, check->ref_cond, &check->ref_port);
    text_char(out, ' ');
    write_value(rd->triple_form, out, &check->value1);
    if (check->kind == CHECK_SETUPHOLD) {
        text_char(out, ' ');
        write_value(rd->triple_form, out, &check->value2);
    }
    text_lit(out, ")\n");
}

void write_delay_block(const SdfReader *rd, TextOut *out, const RemapResult *result,
                       const Preferences *prefs)
{
    if (!result->iopaths)
        return;
    text_lit(out, "    (DELAY\n      (ABSOLUTE\n");
    write_paths(rd, out, result->paths);
    if (prefs && prefs->emit_mipd)
        write_interconnects(rd, out, result->interconnects);
    bool emit_retain = prefs && prefs->emit_retain;
    for (const PathEntry *entry = result->iopaths; entry; entry = entry->next)
        write_iopath(rd, out, entry, emit_retain);
    text_lit(out, "      )\n    )\n");
}

void write_timing_checks(const SdfReader *rd, TextOut *out, const RemapResult *result)
{
    if (!result->checks)
        return;
    text_lit(out, "    (TIMINGCHECK\n");
    for (const TimingCheck *check = result->checks; check; check = check->next)
        write_check(rd, out, check, result);
    text_lit(out, "    )\n");
}

} // namespace

void write_remapped_cell(SdfReader *rd, RemapResult *result, const Preferences *prefs,
                         TextOut *text)
{
    int mode = rd->mode;
    rd->mode = MODE_ECHO;
    text->stream = rd->out;
    text_lit(text, "\n  // CELL remapped by Brenlow kestrove tool\n\n  (CELL\n    (CELLTYPE \"");
    text_str(text, result->celltype);
    text_lit(text, "\")\n    (INSTANCE ");
    text_str(text, result->instance);
    text_lit(text, ")\n");
    write_delay_block(rd, text, result, prefs);
    write_timing_checks(rd, text, result);
    text_lit(text, "  )\n");
    text_flush(text);
    rd->mode = mode;
}
