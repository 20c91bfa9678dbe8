// Ports and values. A port is one identifier token, or "(edge name)"; its bus
// range, which the lexer leaves attached to the name, is split off here. A
// value is read component by component with the reader that suits the file:
// numbers in the input SDF, parameter names in a template. The first value
// with a component decides, for the whole file, whether values are written as
// one number or as min:typ:max, and later values must follow that form.
#include "sdf/sdf_values.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

#include "sdf/sdf_input.h"
#include "sdf/sdf_lexer.h"

namespace {

typedef char *(*ComponentReader)(SdfReader *rd, int *len);

bool is_char_token(const char *tok, int len, char c)
{
    return tok && len == 1 && tok[0] == c;
}

// A name ending in ']' carries a range unless that ']' is itself escaped,
// that is preceded by an odd number of backslashes.
bool ends_in_range(const char *name, size_t len)
{
    if (len == 0 || name[len - 1] != ']')
        return false;
    size_t backslashes = 0;
    while (backslashes + 1 < len && name[len - 2 - backslashes] == '\\')
        backslashes++;
    return backslashes % 2 == 0;
}

// The unescaped '[' that opens the range. Escaped characters are name text,
// so an escaped hierarchical name may carry a range too. Null when no
// unescaped '[' follows the first character.
char *find_range_open(char *name)
{
    bool escaped = name[0] == '\\';
    for (char *p = name + 1; *p; p++) {
        if (escaped)
            escaped = false;
        else if (*p == '\\')
            escaped = true;
        else if (*p == '[')
            return p;
    }
    return nullptr;
}

// Indices must be ints; a template's bus is split into one entry per bit, so
// its width is bounded too, far above any real bus.
bool usable_range(const SdfReader *rd, long first, long second)
{
    if (first < INT_MIN || first > INT_MAX || second < INT_MIN || second > INT_MAX)
        return false;
    long long width = static_cast<long long>(first) - second;
    return !rd->template_syntax || (width < 0 ? -width : width) < SDF_TEMPLATE_BUS_BITS;
}

int split_range(SdfReader *rd, char *name, PortSpec *port)
{
    port->msb = -1;
    port->lsb = -1;
    if (!ends_in_range(name, strlen(name)))
        return 1;
    char *open = find_range_open(name);
    if (!open) {
        msg_error_at(rd->source, "Port \"%s\" - bad range", name);
        return 0;
    }
    *open = '\0';
    long first, second;
    int count = sscanf(open + 1, "%ld:%ld", &first, &second);
    if (count < 1 || !usable_range(rd, first, count == 2 ? second : first)) {
        msg_error_at(rd->source, "Port \"%s\" - bad range", name);
        return 0;
    }
    port->msb = static_cast<int>(first);
    if (count == 2) {
        port->msb = static_cast<int>(first < second ? second : first);
        port->lsb = static_cast<int>(first < second ? first : second);
    }
    return 1;
}

int edge_of(const char *tok, int len)
{
    for (int edge = 0; edge < EDGE_NONE; edge++)
        if (sdf_is_keyword(edge_keywords[edge], tok, len))
            return edge;
    return EDGE_NONE;
}

// Stores the next component token, or leaves the component null when the
// token is a separator; `cur` becomes the character after the component.
int read_later_component(SdfReader *rd, ComponentReader read_component,
                         const char **component, char *cur)
{
    if (*cur != ':') {
        msg_error_at(rd->source, "Expecting ':'");
        return 0;
    }
    int len;
    char *tok = read_component(rd, &len);
    if (!tok)
        return 0;
    if (is_char_token(tok, len, ':') || is_char_token(tok, len, ')')) {
        *component = nullptr;
        *cur = tok[0];
        return 1;
    }
    *component = sdf_store(tok, len, rd);
    char *next = sdf_next_char(rd);
    *cur = next ? *next : '\0';
    return 1;
}

// Whether an input value's first component is a number: it begins with a
// digit or '.', read extended also behind a minus sign. A "-." that the
// number reader gave back as a lone '-' is taken whole, as "." would be.
bool begins_number(SdfReader *rd, const char *tok, int *len)
{
    if (rd->extended && tok[0] == '-') {
        if (*len == 1 && *rd->pos == '.') {
            rd->pos++;
            *len = 2;
        }
        if (*len == 1)
            return false;
        tok++;
    }
    return isdigit((unsigned char)tok[0]) || tok[0] == '.';
}

// After a port's "(": "COND" (result 2), or an edge keyword, the name and ")".
int read_bracketed_port(SdfReader *rd, PortSpec *port)
{
    int len;
    // No token at the end of input is not an edge either.
    char *tok = sdf_token(rd, &len);
    if (sdf_is_keyword("COND", tok, len))
        return 2;
    port->edge = edge_of(tok, len);
    if (port->edge == EDGE_NONE) {
        msg_error_at(rd->source, "Expecting edge specifier");
        return 0;
    }
    // As for a plain port name, no name leaves nothing to store.
    tok = sdf_token(rd, &len);
    if (!tok)
        return sdf_premature_end(rd);
    char *name = sdf_store(tok, len, rd);
    port->name = name;
    tok = sdf_token(rd, &len);
    if (!is_char_token(tok, len, ')')) {
        msg_error_at(rd->source, "Expecting ')'");
        return 0;
    }
    return split_range(rd, name, port);
}

} // namespace

int sdf_premature_end(SdfReader *rd)
{
    if (sdf_input_ended(rd))
        msg_error_at(rd->source, "Premature end of file found.");
    return 0;
}

int sdf_read_port(SdfReader *rd, PortSpec *port)
{
    if (rd->mode != MODE_COLLECT)
        return 0;
    port->edge = EDGE_NONE;
    int len;
    // No name means nothing to store, so the port fails: at the end of input
    // in the words used for a truncated header, after a lexer error (such as
    // a bad bus range) with that error alone.
    char *tok = sdf_token(rd, &len);
    if (!tok)
        return sdf_premature_end(rd);
    if (is_char_token(tok, len, '('))
        return read_bracketed_port(rd, port);
    char *name = sdf_store(tok, len, rd);
    port->name = name;
    return split_range(rd, name, port);
}

int sdf_read_values(SdfReader *rd, ValueTriple values[6])
{
    int n = 0;
    for (; n < 6; n++) {
        char *c = sdf_next_char(rd);
        if (c && *c == ')')
            break;
        if (!c || *c != '(') {
            msg_error_at(rd->source, "Expecting '('");
            return 0;
        }
        if (sdf_read_triple(&values[n], rd) != 1)
            return 0;
    }
    switch (n) {
    case 0:
        msg_error_at(rd->source, "No values provided");
        return 0;
    case 1:
    case 2:
    case 3:
        for (int i = n; i < 6; i++)
            values[i] = ValueTriple{1, nullptr, nullptr, nullptr};
        return 1;
    case 4:
        values[4] = values[3];
        values[5] = values[3];
        return 1;
    case 5:
        values[5] = values[4];
        return 1;
    }
    // Six values stored; anything further, such as the second half of a
    // twelve-value list, is passed over with the entry's closing bracket.
    sdf_skip_entry(rd);
    return 1;
}

int sdf_read_triple(ValueTriple *value, SdfReader *rd)
{
    ComponentReader read_component = rd->template_syntax ? sdf_token : sdf_number;
    int len;
    char *tok = read_component(rd, &len);
    if (!tok)
        return 0;
    if (is_char_token(tok, len, '(')) {
        msg_error_at(rd->source, "Pulse rejection and X filter delvals not supported");
        return 0;
    }
    *value = ValueTriple{0, nullptr, nullptr, nullptr};
    if (is_char_token(tok, len, ')'))
        return 1;
    char cur;
    if (is_char_token(tok, len, ':')) {
        cur = ':';
    } else {
        if (!rd->template_syntax && !begins_number(rd, tok, &len))
            return -1;
        value->min = sdf_store(tok, len, rd);
        char *next = sdf_next_char(rd);
        cur = next ? *next : '\0';
    }
    if (rd->triple_form == FORM_UNDECIDED) {
        if (cur == ')') {
            rd->triple_form = FORM_SINGLE;
        } else if (cur == ':') {
            rd->triple_form = FORM_TRIPLE;
        } else {
            msg_error_at(rd->source, "Expecting ':' or ')'");
            return 0;
        }
    }
    if (rd->triple_form == FORM_TRIPLE) {
        if (!read_later_component(rd, read_component, &value->typ, &cur) ||
            !read_later_component(rd, read_component, &value->max, &cur))
            return 0;
    }
    if (cur != ')') {
        msg_error_at(rd->source, "Expecting ')' at end of triple");
        return 0;
    }
    return 1;
}
