// The TIMINGCHECK block. Each entry becomes a record appended before its
// keyword is looked at; the keyword's kind fixes which port read goes to the
// data side and which to the reference side, and how many values follow.
// Entries of other kinds stay in the list as CHECK_OTHER and are skipped
// whole. Any failure skips the rest of the entry and fails the block.
#include "sdf/sdf_timingcheck.h"

#include <cstring>

#include "sdf/sdf_lexer.h"
#include "sdf/sdf_values.h"
#include "support/support.h"

namespace {

const PortSpec NO_PORT = {nullptr, -1, -1, EDGE_NONE};

// Where the ports and values of one check kind go, in reading order.
struct CheckLayout {
    int ports;         // 0 for CHECK_OTHER, else 1 or 2
    bool ref_first;    // the first port read is the reference port
    int values;
};

CheckLayout layout_of(CheckKind kind)
{
    switch (kind) {
    case CHECK_SETUP:
    case CHECK_HOLD:
    case CHECK_RECOVERY:
    case CHECK_REMOVAL:
        return {2, false, 1};
    case CHECK_SETUPHOLD:
    case CHECK_RECREM:
        return {2, false, 2};
    case CHECK_NOCHANGE:
        return {2, true, 2};
    case CHECK_WIDTH:
    case CHECK_PERIOD:
        return {1, true, 1};
    case CHECK_OTHER:
        return {0, false, 0};
    }
    return {0, false, 0};
}

CheckKind kind_of(const SdfToken &keyword)
{
    for (int kind = 0; kind < CHECK_OTHER; kind++)
        if (sdf_is_keyword(check_keywords[kind], keyword.text, keyword.len))
            return (CheckKind)kind;
    return CHECK_OTHER;
}

TimingCheck *new_check(SdfReader *rd)
{
    TimingCheck *tc = static_cast<TimingCheck *>(arena_alloc(&rd->arena, sizeof(TimingCheck)));
    memset(tc, 0, sizeof *tc);
    tc->ref_port = NO_PORT;
    tc->data_port = NO_PORT;
    tc->kind = CHECK_OTHER;
    tc->score = -1;
    return tc;
}

// Passes over the rest of an entry that failed, which fails the block
// whatever the skip meets.
void abandon_entry(SdfReader *rd)
{
    (void)sdf_skip_entry(rd);
}

// A plain port or (COND token port).
bool read_check_port(SdfReader *rd, const char **cond, PortSpec *port)
{
    PortRead result = sdf_read_port(rd, port);
    if (result != PORT_COND) {
        *cond = nullptr;
        return result == PORT_READ;
    }
    // (COND condition port): the condition is a single token, kept as text.
    SdfToken tok;
    if (!sdf_token(rd, &tok)) {
        abandon_entry(rd);
        return false;
    }
    *cond = sdf_store(tok.text, tok.len, rd);
    if (sdf_read_port(rd, port) != PORT_READ) {
        abandon_entry(rd);
        return false;
    }
    // The port is read; a COND form left open has been reported, and the
    // value read that follows meets the cause.
    (void)sdf_skip_entry(rd);
    return true;
}

// One check value after its '('; "Malformed triple" for a non-number.
bool read_check_value(ValueTriple *value, SdfReader *rd)
{
    TripleRead result = sdf_read_triple(value, rd);
    if (result == TRIPLE_NOT_NUMBER) {
        msg_error_at(rd->source, "Malformed triple");
        return false;
    }
    return result == TRIPLE_READ;
}

bool read_bracketed_value(SdfReader *rd, ValueTriple *value)
{
    char c;
    return sdf_next_char(rd, &c) && c == '(' && read_check_value(value, rd);
}

// Ports and values of a known kind, up to but not including the rest of the
// entry.
bool read_check_body(SdfReader *rd, TimingCheck *tc)
{
    CheckLayout layout = layout_of((CheckKind)tc->kind);
    PortSpec *first = layout.ref_first ? &tc->ref_port : &tc->data_port;
    const char **first_cond = layout.ref_first ? &tc->ref_cond : &tc->data_cond;
    PortSpec *second = layout.ref_first ? &tc->data_port : &tc->ref_port;
    const char **second_cond = layout.ref_first ? &tc->data_cond : &tc->ref_cond;
    return read_check_port(rd, first_cond, first) &&
           (layout.ports != 2 || read_check_port(rd, second_cond, second)) &&
           read_bracketed_value(rd, &tc->value1) &&
           (layout.values != 2 || read_bracketed_value(rd, &tc->value2));
}

bool read_entries(SdfReader *rd, TimingCheck **checks)
{
    TimingCheck *head = nullptr;
    TimingCheck **tail = &head;
    *checks = nullptr;
    for (;;) {
        char c;
        // The end of input between entries gives up the block in the words
        // used for a truncated header.
        if (!sdf_next_char(rd, &c)) {
            sdf_premature_end(rd);
            return false;
        }
        if (c == ')') {
            *checks = head;
            return true;
        }
        if (c != '(') {
            msg_error_at(rd->source, "Expecting close bracket");
            abandon_entry(rd);
            return false;
        }
        TimingCheck *tc = new_check(rd);
        *tail = tc;
        tail = &tc->next;
        SdfToken keyword;
        tc->kind = sdf_keyword(rd, &keyword) ? kind_of(keyword) : CHECK_OTHER;
        if (tc->kind == CHECK_OTHER) {
            // Skipped whole; a failed skip has reported why and the next
            // read meets the cause.
            (void)sdf_skip_entry(rd);
            continue;
        }
        // The closing skip is one of the entry's steps: when it fails, the
        // entry fails like after a bad port or value.
        if (!read_check_body(rd, tc) || !sdf_skip_entry(rd)) {
            abandon_entry(rd);
            return false;
        }
    }
}

} // namespace

bool sdf_read_timingcheck(SdfReader *rd, TimingCheck **checks)
{
    int mode = rd->mode;
    rd->mode = MODE_COLLECT;
    bool read = read_entries(rd, checks);
    rd->mode = mode;
    return read;
}
