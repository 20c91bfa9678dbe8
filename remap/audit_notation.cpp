#include "remap/audit_notation.h"

#include "remap/notation.h"

namespace {

void print_check_port(TextOut *out, const char *cond, const PortSpec *port)
{
    write_check_port(out, cond, port);
    text_char(out, ' ');
}

} // namespace

void print_check_entry(TextOut *out, const TimingCheck *check)
{
    if (check->kind < CHECK_SETUP || check->kind >= CHECK_OTHER) {
        text_lit(out, "(??? ...) ");
        return;
    }
    text_char(out, '(');
    text_str(out, check_keywords[check->kind]);
    text_char(out, ' ');
    bool has_data = check->data_port.name != nullptr;
    if (check->kind == CHECK_NOCHANGE) {
        print_check_port(out, check->ref_cond, &check->ref_port);
        if (has_data)
            print_check_port(out, check->data_cond, &check->data_port);
    } else {
        if (has_data)
            print_check_port(out, check->data_cond, &check->data_port);
        print_check_port(out, check->ref_cond, &check->ref_port);
    }
    text_lit(out, "...) ");
}

void print_path_entry(TextOut *out, const PathEntry *entry)
{
    write_iopath_opening(out, entry);
    text_lit(out, " ...) ");
}

void print_score(TextOut *out, int score, int max_score)
{
    if (score == max_score) {
        text_lit(out, "scored max ");
    } else {
        text_lit(out, "scored ");
        text_int(out, score, 3);
        text_char(out, ' ');
    }
}
