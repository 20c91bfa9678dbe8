// Timing defaults reader. The first logical line is TIMES(<n><unit>); every
// further line declares a parameter with "=" or adjusts a declared one with
// "+=" or "-=". Errors on the TIMES line end the read at once; errors on a
// parameter line end that line only, so that every faulty line is reported
// before the file is declared corrupt.
#include "config/tdef.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "support/list.h"
#include "support/support.h"

namespace {

enum ParamOperator { OP_DECLARE, OP_ADD, OP_SUBTRACT };

// Parameters by name while the file is read, so that long files stay linear.
using ParamIndex = std::unordered_map<std::string_view, TimingParam *>;

bool fits_int32(int64_t n)
{
    return n >= INT32_MIN && n <= INT32_MAX;
}

// False when the digit run does not fit the 32-bit values.
bool digits_to_int32(const char *digits, int32_t *value)
{
    int64_t n = 0;
    for (const char *p = digits; *p; p++) {
        n = n * 10 + (*p - '0');
        if (!fits_int32(n))
            return false;
    }
    *value = static_cast<int32_t>(n);
    return true;
}

// Picoseconds per unit named by its first letter; 0 for an unknown unit.
int64_t unit_factor(char letter)
{
    switch (letter) {
    case 'p':
    case 'P':
        return 1;
    case 'n':
    case 'N':
        return 1000;
    case 'u':
    case 'U':
        return 1000000;
    }
    return 0;
}

// The rest of the TIMES line, from "(" to ")"; false after reporting.
bool read_timescale(TimingDefaults *defaults)
{
    ConfigTokenizer *tk = &defaults->tokenizer;
    SourceFile *src = &tk->source;
    char *token;
    if (cfg_next_token(tk, &token) != CFG_CHAR || token[0] != '(') {
        msg_error_at(src, "Missing (");
        return false;
    }
    char *digits;
    int32_t number;
    if (cfg_read_number(tk, &digits) != CFG_OK || !digits_to_int32(digits, &number)) {
        msg_error_at(src, "Expecting timescale number");
        return false;
    }
    char *unit;
    if (cfg_next_token(tk, &unit) == CFG_NONE)
        unit = digits;
    if (strlen(unit) != 2 || (unit[1] != 's' && unit[1] != 'S')) {
        msg_error_at(src, "Invalid timescale unit, %s", unit);
        return false;
    }
    int64_t factor = unit_factor(unit[0]);
    if (factor == 0) {
        msg_error_at(src, "Unrecognised timescale, %s", unit);
        return false;
    }
    if (!fits_int32(number * factor)) {
        msg_error_at(src, "Expecting timescale number");
        return false;
    }
    if (cfg_next_token(tk, &token) != CFG_CHAR || token[0] != ')') {
        msg_error_at(src, "Missing )");
        return false;
    }
    defaults->timescale_ps = static_cast<int32_t>(number * factor);
    return true;
}

// "=", "+=" or "-=", the two characters of the last two maybe apart.
bool read_operator(ConfigTokenizer *tk, ParamOperator *op)
{
    char *token;
    if (cfg_next_token(tk, &token) != CFG_CHAR)
        return false;
    if (token[0] == '=') {
        *op = OP_DECLARE;
        return true;
    }
    if (token[0] != '+' && token[0] != '-')
        return false;
    *op = token[0] == '+' ? OP_ADD : OP_SUBTRACT;
    return cfg_next_token(tk, &token) == CFG_CHAR && token[0] == '=';
}

// Adds `delta` to a declared parameter; false when the sum leaves 32 bits.
bool adjust_value(TimingParam *param, int64_t delta)
{
    int64_t sum = param->value + delta;
    if (!fits_int32(sum))
        return false;
    param->value = static_cast<int32_t>(sum);
    return true;
}

void declare_param(TimingDefaults *defaults, ParamIndex *index, const char *name, int32_t value)
{
    TimingParam *param = static_cast<TimingParam *>(xmalloc(sizeof(TimingParam)));
    param->name = name;
    param->value = value;
    list_prepend(&defaults->params, param);
    index->emplace(name, param);
}

void read_param_line(TimingDefaults *defaults, ParamIndex *index)
{
    ConfigTokenizer *tk = &defaults->tokenizer;
    SourceFile *src = &tk->source;
    char *name;
    if (cfg_next_token(tk, &name) != CFG_NAME) {
        msg_error_at(src, "Expecting timing name");
        return;
    }
    ParamOperator op;
    if (!read_operator(tk, &op)) {
        msg_error_at(src, "Expecting =, += or -=");
        return;
    }
    char *digits;
    int32_t number;
    if (cfg_read_number(tk, &digits) != CFG_OK || !digits_to_int32(digits, &number)) {
        msg_error_at(src, "Expecting numeric value for timing parameter, %s", name);
        return;
    }
    auto found = index->find(name);
    if (found != index->end()) {
        TimingParam *param = found->second;
        bool in_range = true;
        switch (op) {
        case OP_DECLARE:
            msg_error_at(src, "Timing parameter %s already declared", name);
            break;
        case OP_ADD:
            in_range = adjust_value(param, number);
            break;
        case OP_SUBTRACT:
            in_range = adjust_value(param, -static_cast<int64_t>(number));
            break;
        }
        if (!in_range)
            msg_error_at(src, "Expecting numeric value for timing parameter, %s", name);
        return;
    }
    if (op != OP_DECLARE) {
        msg_error_at(src, "Timing parameter %s not declared", name);
        return;
    }
    declare_param(defaults, index, name, number);
    char *extra;
    if (cfg_next_token(tk, &extra) != CFG_NONE)
        msg_error_at(src, "Extra text after entry - %s", extra);
}

void zero_negative_values(TimingDefaults *defaults)
{
    for (TimingParam *param = defaults->params; param; param = param->next) {
        if (param->value < 0) {
            msg_warning_at(&defaults->tokenizer.source,
                           "Negative value %ld not allowed for parameter %s, zeroing.",
                           static_cast<long>(param->value), param->name);
            param->value = 0;
        }
    }
}

} // namespace

namespace {

// A file given up: its summary, then nothing of it is kept.
TimingDefaults *give_up(TimingDefaults *defaults)
{
    source_file_summary(&defaults->tokenizer.source);
    tdef_free(defaults);
    return nullptr;
}

} // namespace

TimingDefaults *tdef_read(const char *name, const MsgSettings &ms, int *status)
{
    *status = TDEF_NOT_FOUND;
    TimingDefaults *defaults = static_cast<TimingDefaults *>(xmalloc(sizeof(TimingDefaults)));
    defaults->timescale_ps = 0;
    defaults->params = nullptr;
    ConfigTokenizer *tk = &defaults->tokenizer;
    if (cfg_open(name, 0, ms, tk) != CFG_OK)
        return give_up(defaults);

    *status = TDEF_NOT_DEFAULTS;
    cfg_next_line(tk);
    char *keyword;
    if (cfg_next_token(tk, &keyword) == CFG_NONE || str_case_cmp(keyword, "times") != 0) {
        msg_error_at(&tk->source, "Expecting TIMES(timescale)");
        return give_up(defaults);
    }

    *status = TDEF_CORRUPT;
    if (!read_timescale(defaults))
        return give_up(defaults);
    ParamIndex index;
    while (cfg_next_line(tk) == 0)
        read_param_line(defaults, &index);
    if (tk->source.errors != 0)
        return give_up(defaults);

    zero_negative_values(defaults);
    source_file_summary(&tk->source);
    *status = TDEF_OK;
    return defaults;
}

void tdef_free(TimingDefaults *defaults)
{
    if (!defaults)
        return;
    TimingParam *param = defaults->params;
    while (param) {
        TimingParam *next = param->next;
        free(param);
        param = next;
    }
    cfg_close(&defaults->tokenizer, 0);
    free(defaults);
}

const TimingParam *tdef_find(const TimingDefaults *defaults, const char *name)
{
    for (const TimingParam *param = defaults->params; param; param = param->next) {
        if (strcmp(param->name, name) == 0)
            return param;
    }
    return nullptr;
}
