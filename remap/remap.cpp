// Remapping of one instance: the matchers build the new check and IOPATH
// lists and explain each choice; this file frames their paragraphs with the
// instance banner and closes the section with the input entries that fed no
// template entry, since those timing data do not reach the output.
#include "remap/remap.h"

#include <cstdlib>
#include <cstring>

#include "config/prefs.h"
#include "remap/audit_notation.h"
#include "remap/check_match.h"
#include "remap/path_match.h"
#include "support/messages.h"
#include "support/support.h"

namespace {

const char BANNER_RULE[] = "************************************************************\n";

void write_banner(TextOut *audit, const CellInstance *instance)
{
    text_char(audit, '\n');
    text_lit(audit, BANNER_RULE);
    text_lit(audit, "*\n* Remapping CELLTYPE \"");
    text_str(audit, instance->celltype);
    text_lit(audit, "\"\n*\n* Instance \"");
    text_str(audit, instance->instance);
    text_lit(audit, "\"\n*\n");
    text_lit(audit, BANNER_RULE);
    text_char(audit, '\n');
}

// "<instance><divider><template instance>", so that the remapped cell names
// the template's own sub-instance.
const char *path_trail(const CellInstance *instance, const CellInstance *template_cell)
{
    size_t head = strlen(instance->instance);
    size_t tail = strlen(template_cell->instance);
    char *text = static_cast<char *>(xmalloc(head + tail + 2));
    memcpy(text, instance->instance, head);
    text[head] = instance->reader->divider;
    memcpy(text + head + 1, template_cell->instance, tail + 1);
    return text;
}

// Which mean-delay component breaks IOPATH ties: single values live in the
// first component, triples use the template's pessimism (typ by default).
int mean_delay_index(const CellInstance *template_cell, const CellInstance *instance)
{
    if (instance->reader->triple_form != FORM_TRIPLE)
        return 0;
    return template_cell->prefs ? template_cell->prefs->pessim : 1;
}

// Lists the entries of `first`'s chain that no template entry used, under a
// heading naming their `kind`, and warns once when there are any.
template <typename Entry>
void report_unused(const MsgSettings &ms, TextOut *audit, const CellInstance *instance,
                   const Entry *first, const char *kind,
                   void (*print_entry)(TextOut *, const Entry *))
{
    bool reported = false;
    for (const Entry *entry = first; entry; entry = entry->next) {
        if (entry->used)
            continue;
        if (!reported) {
            msg_warning(ms, "Instance \"%s\" contains unmapped %s entries", instance->instance,
                        kind);
            text_lit(audit, "\n--------\nThe following ");
            text_str(audit, kind);
            text_lit(audit, " entries were not used to match any templates:\n");
            reported = true;
        }
        print_entry(audit, entry);
        text_char(audit, '\n');
    }
}

} // namespace

RemapResult *remap_instance(RemapContext *ctx, FILE *audit, CellInstance *template_cell,
                            CellInstance *instance)
{
    msg_info(*ctx->msg, "Remapping instance \"%s\" of cell \"%s\"", instance->instance,
             instance->celltype);
    // Whatever ends the remapping early, the section so far reaches the log.
    struct AuditSection {
        TextOut *text;
        ~AuditSection() { text_flush(text); }
    } section{&ctx->text};
    ctx->text.stream = audit;
    TextOut *text = &ctx->text;
    write_banner(text, instance);
    ctx->text_store = instance->reader;

    RemapResult *result = static_cast<RemapResult *>(xmalloc(sizeof(RemapResult)));
    memset(result, 0, sizeof *result);
    bool trails = template_cell->prefs && template_cell->prefs->pathtrails;
    result->instance = trails ? path_trail(instance, template_cell) : instance->instance;
    result->celltype = instance->celltype;

    int mean_index = mean_delay_index(template_cell, instance);
    result->checks =
        remap_timing_checks(ctx, template_cell, text, template_cell->checks, instance->checks);
    result->iopaths = remap_iopaths(ctx, template_cell, text, template_cell->iopaths,
                                    instance->iopaths, mean_index);
    result->paths = instance->paths;
    result->interconnects = instance->interconnects;
    msg_info(*ctx->msg, "Done");

    report_unused(*ctx->msg, text, instance, instance->checks, "TIMINGCHECK", print_check_entry);
    report_unused(*ctx->msg, text, instance, instance->iopaths, "IOPATH", print_path_entry);
    return result;
}

void remap_result_free(RemapResult *result, const CellInstance *instance)
{
    for (TimingCheck *check = result->checks, *next; check; check = next) {
        next = check->next;
        free(check);
    }
    for (PathEntry *entry = result->iopaths, *next; entry; entry = next) {
        next = entry->next;
        free(entry);
    }
    if (result->instance != instance->instance)
        free(const_cast<char *>(result->instance));
    free(result);
}
