#include "remap/defaults_subst.h"

#include <cstring>
#include <string>

#include "config/tdef.h"
#include "sdf/sdf_lexer.h"
#include "support/messages.h"

std::string defaults_value_text(long value, int shift)
{
    std::string text = std::to_string(value < 0 ? -value : value);
    if (shift >= 0) {
        text.append(static_cast<size_t>(shift), '0');
    } else {
        size_t places = static_cast<size_t>(-shift);
        if (text.size() <= places)
            text.insert(0, places + 1 - text.size(), '0');
        text.insert(text.size() - places, 1, '.');
    }
    return value < 0 ? "-" + text : text;
}

void substitute_from_defaults(ValueTriple *value, CellInstance *template_cell, SdfReader *store,
                              TextOut *audit, int report, const MsgSettings &ms)
{
    const char *name = value->typ;
    if (!name) {
        msg_error(ms, "triple corrupt for cell, \"%s\"", template_cell->celltype);
        value_clear(value);
        return;
    }
    if (strcmp(name, "0") == 0) {
        text_lit(audit, "Passing explicit zero through unchanged\n");
        return;
    }
    if (!template_cell->defaults) {
        msg_warning(ms, "tdef file for cell, \"%s\" not present",
                    template_cell->celltype);
        value_clear(value);
        return;
    }
    const TimingParam *param = tdef_find(template_cell->defaults, name);
    if (!param) {
        msg_error(ms,
                  "Timing patameter, \"%s\" not present in tdef file for cell \"%s\"", name,
                  template_cell->celltype);
        if (report) {
            text_lit(audit, "Parameter \"");
            text_str(audit, name);
            text_lit(audit, "\" not present in defaults file\n");
        }
        value_clear(value);
        return;
    }
    if (report) {
        text_lit(audit, "Found parameter \"");
        text_str(audit, param->name);
        text_lit(audit, "\" in defaults file\n");
    }
    std::string text = defaults_value_text(param->value, template_cell->scale_shift);
    const char *stored = sdf_store(text.c_str(), static_cast<int>(text.size()),
                                   store ? store : template_cell->reader);
    value->min = value->typ = value->max = stored;
}

void value_clear(ValueTriple *value)
{
    value->min = value->typ = value->max = nullptr;
}

bool defaults_can_fill(const CellInstance *template_cell, TextOut *audit, const MsgSettings &ms)
{
    if (!template_cell->use_defaults) {
        text_lit(audit, "Defaults file was disabled\nNo timing information for this entry\n");
        msg_error(ms, "Missing data for celltype \"%s\" (try turning TDEF support on)",
                  template_cell->celltype);
        return false;
    }
    if (!template_cell->defaults) {
        text_lit(audit, "Unable to get replacement data from defaults file\n"
                        "No timing information for this entry\n");
        msg_error(ms, "Missing defaults data for celltype \"%s\"",
                  template_cell->celltype);
        return false;
    }
    text_lit(audit, "Scanning defaults\n");
    return true;
}
