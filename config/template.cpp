// Minimal loader until templates are read: a template counts as loaded when
// its file can be opened.
#include "config/template.h"

#include <string>

CellTemplate *template_registry = nullptr;
int defaults_mode = 1;

int template_load(const char *cell_name, int, const char *, FILE *)
{
    std::string file = std::string(cell_name) + ".sdft";
    FILE *f = fopen(file.c_str(), "r");
    if (!f) {
        fprintf(stderr, "Could not open \"%s\"\n", file.c_str());
        return 0;
    }
    fclose(f);
    return 1;
}

void template_read(CellTemplate *, FILE *) {}
PathEntry *expand_iopath_bits(PathEntry *entry) { return entry->next; }
TimingCheck *expand_check_bits(TimingCheck *check) { return check->next; }
CellInstance *template_lookup(const char *, int) { return nullptr; }
