// The TIMINGCHECK block. Each entry becomes a record appended before its
// keyword is looked at; the keyword's kind fixes which port read goes to the
// data side and which to the reference side, and how many values follow.
// Entries of other kinds stay in the list as CHECK_OTHER and are skipped
// whole. Any failure skips the rest of the entry and fails the block.
#include "sdf/sdf_timingcheck.h"

#include <cstring>

#include "sdf/sdf_lexer.h"
#include "sdf/sdf_values.h"
#include "support/arena.h"
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

CheckKind kind_of(const char *keyword, int len)
{
    for (int kind = 0; kind < CHECK_OTHER; kind++)
        if (sdf_is_keyword(check_keywords[kind], keyword, len))
            return (CheckKind)kind;
    return CHECK_OTHER;
}

TimingCheck *new_check()
{
    TimingCheck *tc = (TimingCheck *)arena_alloc(sizeof(TimingCheck));
    memset(tc, 0, sizeof *tc);
    tc->ref_port = NO_PORT;
    tc->data_port = NO_PORT;
    tc->kind = CHECK_OTHER;
    tc->score = -1;
    return tc;
}

int read_bracketed_value(SdfReader *rd, ValueTriple *value)
{
    char *c = sdf_next_char(rd);
    if (!c || *c != '(')
        return 0;
    return sdf_read_check_value(value, rd);
}

// Ports and values of a known kind, up to but not including the rest of the
// entry.
int read_check_body(SdfReader *rd, TimingCheck *tc)
{
    CheckLayout layout = layout_of((CheckKind)tc->kind);
    PortSpec *first = layout.ref_first ? &tc->ref_port : &tc->data_port;
    const char **first_cond = layout.ref_first ? &tc->ref_cond : &tc->data_cond;
    PortSpec *second = layout.ref_first ? &tc->data_port : &tc->ref_port;
    const char **second_cond = layout.ref_first ? &tc->data_cond : &tc->ref_cond;
    if (!sdf_read_check_port(rd, first_cond, first))
        return 0;
    if (layout.ports == 2 && !sdf_read_check_port(rd, second_cond, second))
        return 0;
    if (!read_bracketed_value(rd, &tc->value1))
        return 0;
    if (layout.values == 2 && !read_bracketed_value(rd, &tc->value2))
        return 0;
    return 1;
}

TimingCheck *read_entries(SdfReader *rd)
{
    TimingCheck *head = nullptr;
    TimingCheck **tail = &head;
    for (;;) {
        char *c = sdf_next_char(rd);
        // The end of input between entries gives up the block in the words
        // used for a truncated header.
        if (!c) {
            sdf_premature_end(rd);
            return nullptr;
        }
        if (*c == ')')
            return head;
        if (*c != '(') {
            msg_error_at(rd->source, "Expecting close bracket");
            sdf_skip_entry(rd);
            return nullptr;
        }
        TimingCheck *tc = new_check();
        *tail = tc;
        tail = &tc->next;
        int len;
        char *keyword = sdf_keyword(rd, &len);
        tc->kind = keyword ? kind_of(keyword, len) : CHECK_OTHER;
        if (tc->kind == CHECK_OTHER) {
            // Skipped whole; a failed skip has reported why and the next
            // read meets the cause.
            sdf_skip_entry(rd);
            continue;
        }
        // The closing skip is one of the entry's steps: when it fails, the
        // entry fails like after a bad port or value.
        if (!read_check_body(rd, tc) || sdf_skip_entry(rd) != 0) {
            sdf_skip_entry(rd);
            return nullptr;
        }
    }
}

} // namespace

TimingCheck *sdf_read_timingcheck(SdfReader *rd)
{
    int mode = rd->mode;
    rd->mode = MODE_COLLECT;
    TimingCheck *checks = read_entries(rd);
    rd->mode = mode;
    return checks;
}

int sdf_read_check_port(SdfReader *rd, const char **cond, PortSpec *port)
{
    int result = sdf_read_port(rd, port);
    if (result != 2) {
        *cond = nullptr;
        return result;
    }
    // (COND condition port): the condition is a single token, kept as text.
    int len;
    char *tok = sdf_token(rd, &len);
    if (!tok) {
        sdf_skip_entry(rd);
        return 0;
    }
    *cond = sdf_store(tok, len, rd);
    if (sdf_read_port(rd, port) != 1) {
        sdf_skip_entry(rd);
        return 0;
    }
    // The port is read; a COND form left open has been reported, and the
    // value read that follows meets the cause.
    sdf_skip_entry(rd);
    return 1;
}

int sdf_read_check_value(ValueTriple *value, SdfReader *rd)
{
    int result = sdf_read_triple(value, rd);
    if (result == -1) {
        msg_error_at(rd->source, "Malformed triple");
        return 0;
    }
    return result;
}
