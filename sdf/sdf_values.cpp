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

typedef bool (*ComponentReader)(SdfReader *rd, SdfToken *tok);

bool is_char_token(const SdfToken &tok, char c)
{
    return tok.len == 1 && tok.text[0] == c;
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

bool split_range(SdfReader *rd, char *name, PortSpec *port)
{
    port->msb = -1;
    port->lsb = -1;
    if (!ends_in_range(name, strlen(name)))
        return true;
    char *open = find_range_open(name);
    if (!open) {
        msg_error_at(rd->source, "Port \"%s\" - bad range", name);
        return false;
    }
    *open = '\0';
    long first, second;
    int count = sscanf(open + 1, "%ld:%ld", &first, &second);
    if (count < 1 || !usable_range(rd, first, count == 2 ? second : first)) {
        msg_error_at(rd->source, "Port \"%s\" - bad range", name);
        return false;
    }
    port->msb = static_cast<int>(first);
    if (count == 2) {
        port->msb = static_cast<int>(first < second ? second : first);
        port->lsb = static_cast<int>(first < second ? first : second);
    }
    return true;
}

int edge_of(const SdfToken &tok)
{
    for (int edge = 0; edge < EDGE_NONE; edge++)
        if (sdf_is_keyword(edge_keywords[edge], tok.text, tok.len))
            return edge;
    return EDGE_NONE;
}

// The character after a component, or '\0' at the end of input.
char next_after_component(SdfReader *rd)
{
    char next;
    (void)sdf_next_char(rd, &next);
    return next;
}

// Stores the next component token, or leaves the component null when the
// token is a separator; `cur` becomes the character after the component.
bool read_later_component(SdfReader *rd, ComponentReader read_component,
                          const char **component, char *cur)
{
    if (*cur != ':') {
        msg_error_at(rd->source, "Expecting ':'");
        return false;
    }
    SdfToken tok;
    if (!read_component(rd, &tok))
        return false;
    if (is_char_token(tok, ':') || is_char_token(tok, ')')) {
        *component = nullptr;
        *cur = tok.text[0];
        return true;
    }
    *component = sdf_store(tok.text, tok.len, rd);
    *cur = next_after_component(rd);
    return true;
}

// Whether an input value's first component is a number: it begins with a
// digit or '.', read extended also behind a minus sign. A "-." that the
// number reader gave back as a lone '-' is taken whole, as "." would be.
bool begins_number(SdfReader *rd, SdfToken *tok)
{
    const char *text = tok->text;
    if (rd->extended && text[0] == '-') {
        if (tok->len == 1 && *rd->pos == '.') {
            rd->pos++;
            tok->len = 2;
        }
        if (tok->len == 1)
            return false;
        text++;
    }
    return isdigit((unsigned char)text[0]) || text[0] == '.';
}

// After a port's "(": "COND", or an edge keyword, the name and ")".
PortRead read_bracketed_port(SdfReader *rd, PortSpec *port)
{
    SdfToken tok;
    // No token at the end of input is not an edge either.
    (void)sdf_token(rd, &tok);
    if (sdf_is_keyword("COND", tok.text, tok.len))
        return PORT_COND;
    port->edge = edge_of(tok);
    if (port->edge == EDGE_NONE) {
        msg_error_at(rd->source, "Expecting edge specifier");
        return PORT_FAILED;
    }
    // As for a plain port name, no name leaves nothing to store.
    if (!sdf_token(rd, &tok)) {
        sdf_premature_end(rd);
        return PORT_FAILED;
    }
    char *name = sdf_store(tok.text, tok.len, rd);
    port->name = name;
    // A missing bracket at the end of input is reported as any other.
    (void)sdf_token(rd, &tok);
    if (!is_char_token(tok, ')')) {
        msg_error_at(rd->source, "Expecting ')'");
        return PORT_FAILED;
    }
    return split_range(rd, name, port) ? PORT_READ : PORT_FAILED;
}

} // namespace

void sdf_premature_end(SdfReader *rd)
{
    if (sdf_input_ended(rd))
        msg_error_at(rd->source, "Premature end of file found.");
}

PortRead sdf_read_port(SdfReader *rd, PortSpec *port)
{
    if (rd->mode != MODE_COLLECT)
        return PORT_FAILED;
    port->edge = EDGE_NONE;
    SdfToken tok;
    // No name means nothing to store, so the port fails: at the end of input
    // in the words used for a truncated header, after a lexer error (such as
    // a bad bus range) with that error alone.
    if (!sdf_token(rd, &tok)) {
        sdf_premature_end(rd);
        return PORT_FAILED;
    }
    if (is_char_token(tok, '('))
        return read_bracketed_port(rd, port);
    char *name = sdf_store(tok.text, tok.len, rd);
    port->name = name;
    return split_range(rd, name, port) ? PORT_READ : PORT_FAILED;
}

bool sdf_read_values(SdfReader *rd, ValueTriple values[6])
{
    int n = 0;
    for (; n < 6; n++) {
        char c;
        bool found = sdf_next_char(rd, &c);
        if (found && c == ')')
            break;
        if (!found || c != '(') {
            msg_error_at(rd->source, "Expecting '('");
            return false;
        }
        if (sdf_read_triple(&values[n], rd) != TRIPLE_READ)
            return false;
    }
    switch (n) {
    case 0:
        msg_error_at(rd->source, "No values provided");
        return false;
    case 1:
    case 2:
    case 3:
        for (int i = n; i < 6; i++)
            values[i] = ValueTriple{1, nullptr, nullptr, nullptr};
        return true;
    case 4:
        values[4] = values[3];
        values[5] = values[3];
        return true;
    case 5:
        values[5] = values[4];
        return true;
    }
    // Six values stored; anything further, such as the second half of a
    // twelve-value list, is passed over with the entry's closing bracket.
    // They stand even when that skip fails; the entry's reader meets the cause.
    (void)sdf_skip_entry(rd);
    return true;
}

TripleRead sdf_read_triple(ValueTriple *value, SdfReader *rd)
{
    ComponentReader read_component = rd->template_syntax ? sdf_token : sdf_number;
    SdfToken tok;
    if (!read_component(rd, &tok))
        return TRIPLE_FAILED;
    if (is_char_token(tok, '(')) {
        msg_error_at(rd->source, "Pulse rejection and X filter delvals not supported");
        return TRIPLE_FAILED;
    }
    *value = ValueTriple{0, nullptr, nullptr, nullptr};
    if (is_char_token(tok, ')'))
        return TRIPLE_READ;
    char cur;
    if (is_char_token(tok, ':')) {
        cur = ':';
    } else {
        if (!rd->template_syntax && !begins_number(rd, &tok))
            return TRIPLE_NOT_NUMBER;
        value->min = sdf_store(tok.text, tok.len, rd);
        cur = next_after_component(rd);
    }
    if (rd->triple_form == FORM_UNDECIDED) {
        if (cur == ')') {
            rd->triple_form = FORM_SINGLE;
        } else if (cur == ':') {
            rd->triple_form = FORM_TRIPLE;
        } else {
            msg_error_at(rd->source, "Expecting ':' or ')'");
            return TRIPLE_FAILED;
        }
    }
    if (rd->triple_form == FORM_TRIPLE) {
        if (!read_later_component(rd, read_component, &value->typ, &cur) ||
            !read_later_component(rd, read_component, &value->max, &cur))
            return TRIPLE_FAILED;
    }
    if (cur != ')') {
        msg_error_at(rd->source, "Expecting ')' at end of triple");
        return TRIPLE_FAILED;
    }
    return TRIPLE_READ;
}
