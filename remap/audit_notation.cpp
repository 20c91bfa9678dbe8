#include "remap/audit_notation.h"

#include "remap/notation.h"

namespace {

void print_check_port(FILE *out, const char *cond, const PortSpec *port)
{
    if (cond)
        fprintf(out, "(COND %s ", cond);
    write_port(out, port);
    if (cond)
        fputc(')', out);
    fputc(' ', out);
}

} // namespace

void print_check_entry(FILE *out, const TimingCheck *check)
{
    if (check->kind < CHECK_SETUP || check->kind >= CHECK_OTHER) {
        fputs("(??? ...) ", out);
        return;
    }
    fprintf(out, "(%s ", check_keywords[check->kind]);
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
    fputs("...) ", out);
}

void print_path_entry(FILE *out, const PathEntry *entry)
{
    write_iopath_opening(out, entry);
    fputs(" ...) ", out);
}

void print_score(FILE *out, int score, int max_score)
{
    if (score == max_score)
        fputs("scored max ", out);
    else
        fprintf(out, "scored %3d ", score);
}
