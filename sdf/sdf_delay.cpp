// The DELAY block. Only an ABSOLUTE block is read; its IOPATH, COND IOPATH,
// PATH and INTERCONNECT entries are appended to the cell's lists in file
// order and anything else is skipped with a warning. A COND's condition is
// rebuilt from identifier tokens with one blank between tokens, except where
// two characters belong to one operator or constant, so that the same
// condition written with different spacing gives the same text; that text is
// then parsed into a condition tree.
#include "sdf/sdf_delay.h"

#include <cstdlib>
#include <cstring>

#include "sdf/sdf_cond.h"
#include "sdf/sdf_lexer.h"
#include "sdf/sdf_values.h"
#include "support/support.h"

namespace {

template <typename Record>
Record *new_record(SdfReader *rd)
{
    Record *rec = static_cast<Record *>(arena_alloc(&rd->arena, sizeof(Record)));
    memset(rec, 0, sizeof *rec);
    return rec;
}

template <typename Record>
Record *append(SdfReader *rd, Record ***tail)
{
    Record *rec = new_record<Record>(rd);
    **tail = rec;
    *tail = &rec->next;
    return rec;
}

// Growable heap text of a condition while it is read.
struct CondText {
    char *text;
    size_t len;
    size_t cap;
};

void cond_text_append(CondText *ct, const char *tok, size_t len)
{
    if (ct->len + len + 2 > ct->cap) {
        ct->cap = 2 * (ct->len + len + 2);
        ct->text = static_cast<char *>(xrealloc(ct->text, ct->cap));
    }
    memcpy(ct->text + ct->len, tok, len);
    ct->len += len;
    ct->text[ct->len++] = ' ';
    ct->text[ct->len] = '\0';
}

// True when the token continues the previous one as one operator or
// constant (==, !=, >=, <=, 1'b1, &&, ~&, ||, ~|, <<, >>, ~^, ^~).
bool glues(char prev, const char *tok, int len)
{
    switch (tok[0]) {
    case '=':
        return prev && strchr("=!><", prev);
    case '\'':
        return prev == '1';
    case 'b':
    case 'B':
        return len == 2 && prev == '\'';
    case '&':
        return prev == '&' || prev == '~';
    case '|':
        return prev == '|' || prev == '~';
    case '<':
        return prev == '<';
    case '>':
        return prev == '>';
    case '^':
        return prev == '~';
    case '~':
        return prev == '^';
    }
    return false;
}

// Passes over the rest of a COND entry that failed inside, through its
// IOPATH and then the COND itself; the entry fails whatever the skips meet.
void skip_cond_entry(SdfReader *rd)
{
    (void)sdf_skip_entry(rd);
    (void)sdf_skip_entry(rd);
}

// Reads the condition tokens of a COND entry through the keyword IOPATH.
// On success `*text` is the heap text without the "(" of the IOPATH entry,
// or null when the condition is empty.
bool read_cond_text(SdfReader *rd, char **text)
{
    CondText ct = {nullptr, 0, 0};
    int depth = 0;
    for (;;) {
        SdfToken tok;
        if (!sdf_token(rd, &tok)) {
            free(ct.text);
            sdf_premature_end(rd);
            return false;
        }
        if (sdf_is_keyword("IOPATH", tok.text, tok.len))
            break;
        // Brackets inside an identifier are escaped name text, so only
        // bracket tokens count.
        if (tok.len == 1 && (tok.text[0] == '(' || tok.text[0] == ')'))
            depth += tok.text[0] == '(' ? 1 : -1;
        if (depth < 0) {
            free(ct.text);
            msg_error_at(rd->source, "Expecting IOPATH");
            skip_cond_entry(rd);
            return false;
        }
        if (ct.len >= 2 && glues(ct.text[ct.len - 2], tok.text, tok.len))
            ct.len--;
        cond_text_append(&ct, tok.text, static_cast<size_t>(tok.len));
    }
    // The text ends in " ( " from the IOPATH entry's own bracket.
    *text = nullptr;
    if (ct.len >= 3) {
        size_t len = ct.len - 3;
        *text = static_cast<char *>(arena_alloc(&rd->arena, len + 1));
        memcpy(*text, ct.text, len);
        (*text)[len] = '\0';
    }
    free(ct.text);
    return true;
}

// The tree of a condition text, owned by the reader from here on.
CondExpr *parse_cond(SdfReader *rd, const char *text)
{
    CondExpr *tree = cond_parse(text);
    if (tree) {
        auto *kept = static_cast<ParsedCond *>(arena_alloc(&rd->arena, sizeof(ParsedCond)));
        *kept = ParsedCond{rd->conds, tree};
        rd->conds = kept;
    }
    return tree;
}

bool is_name_of(const CondExpr *e, const char *name)
{
    return e && e->kind == COND_NAME && strcmp(e->name, name) == 0;
}

// The level the input has after its edge: the name itself after a rising
// edge, its negation after a falling one.
bool states_input_level(const CondExpr *e, const char *name, bool falling)
{
    if (!falling)
        return is_name_of(e, name);
    return e && e->kind == COND_NOT && is_name_of(e->left, name);
}

// 1 when the condition only restates the input's level after its edge, 2
// when its first conjunct does, else 0.
int classify_cond_on_input(const PathEntry *e)
{
    bool falling = false;
    switch ((EdgeKind)e->in_port.edge) {
    case EDGE_POSEDGE:
    case EDGE_01:
    case EDGE_0Z:
    case EDGE_Z1:
        break;
    case EDGE_NEGEDGE:
    case EDGE_10:
    case EDGE_1Z:
    case EDGE_Z0:
        falling = true;
        break;
    case EDGE_NONE:
        return 0;
    }
    const char *name = e->in_port.name;
    if (!e->cond || !name)
        return 0;
    if (states_input_level(e->cond, name, falling))
        return 1;
    if (e->cond->kind == COND_AND &&
        states_input_level(e->cond->left, name, falling))
        return 2;
    return 0;
}

// The ports, an optional RETAIN list and the delays of one entry, through its
// closing bracket. An IOPATH of the input also gets its mean delays.
bool read_iopath(SdfReader *rd, PathEntry *entry)
{
    if (sdf_read_port(rd, &entry->in_port) != PORT_READ ||
        sdf_read_port(rd, &entry->out_port) != PORT_READ)
        return false;
    entry->has_retain = 0;
    if (!sdf_read_values(rd, entry->delays)) {
        // In the input the failed value read has taken the 'R' of "(RETAIN"
        // for a number that is not there.
        SdfToken keyword;
        (void)sdf_keyword(rd, &keyword); // no keyword is no RETAIN
        if (!sdf_is_keyword("ETAIN", keyword.text, keyword.len)) {
            msg_error_at(rd->source, "Malformed IOPATH");
            return false;
        }
        entry->has_retain = 1;
        if (!sdf_read_values(rd, entry->retain)) {
            msg_error_at(rd->source, "Malformed RETAIN");
            return false;
        }
        if (!sdf_read_values(rd, entry->delays)) {
            msg_error_at(rd->source, "Malformed IOPATH");
            return false;
        }
    }
    if (!rd->template_syntax) {
        entry->mean_delay[0] = mean_component(entry->delays, 0);
        if (rd->triple_form == FORM_TRIPLE) {
            entry->mean_delay[1] = mean_component(entry->delays, 1);
            entry->mean_delay[2] = mean_component(entry->delays, 2);
        }
    }
    return true;
}

bool read_path(SdfReader *rd, PathDelay *entry)
{
    return sdf_read_port(rd, &entry->port) == PORT_READ && sdf_read_values(rd, entry->delays);
}

bool read_interconnect(SdfReader *rd, InterconnectDelay *entry)
{
    return sdf_read_port(rd, &entry->from_port) == PORT_READ &&
           sdf_read_port(rd, &entry->to_port) == PORT_READ &&
           sdf_read_values(rd, entry->delays);
}

bool read_cond_iopath(SdfReader *rd, PathEntry *entry)
{
    if (!read_cond_text(rd, &entry->cond_text))
        return false;
    entry->cond = entry->cond_text ? parse_cond(rd, entry->cond_text) : nullptr;
    if (!read_iopath(rd, entry)) {
        skip_cond_entry(rd);
        return false;
    }
    // The IOPATH is complete; a failure to close the COND around it has been
    // reported and the end of input, if that was the cause, is met next.
    (void)sdf_skip_entry(rd);
    return true;
}

// Passes over the rest of an entry that failed, which fails the block
// whatever the skip meets.
void abandon_entry(SdfReader *rd)
{
    (void)sdf_skip_entry(rd);
}

bool read_absolute_entries(SdfReader *rd, PathEntry **iopaths, PathDelay **paths,
                           InterconnectDelay **interconnects)
{
    PathEntry **iopath_tail = iopaths;
    PathDelay **path_tail = paths;
    InterconnectDelay **interconnect_tail = interconnects;
    for (;;) {
        char c;
        bool found = sdf_next_char(rd, &c);
        if (found && c == ')')
            return true;
        if (!found || c != '(') {
            msg_error_at(rd->source, "Expecting close bracket");
            abandon_entry(rd);
            return false;
        }
        SdfToken keyword;
        // No keyword at the end of input is an unknown entry.
        (void)sdf_keyword(rd, &keyword);
        if (sdf_is_keyword("PATH", keyword.text, keyword.len)) {
            if (!read_path(rd, append(rd, &path_tail))) {
                abandon_entry(rd);
                return false;
            }
        } else if (sdf_is_keyword("INTERCONNECT", keyword.text, keyword.len)) {
            if (!read_interconnect(rd, append(rd, &interconnect_tail))) {
                abandon_entry(rd);
                return false;
            }
        } else if (sdf_is_keyword("IOPATH", keyword.text, keyword.len)) {
            PathEntry *entry = append(rd, &iopath_tail);
            entry->score = -1;
            if (!read_iopath(rd, entry)) {
                abandon_entry(rd);
                return false;
            }
        } else if (sdf_is_keyword("COND", keyword.text, keyword.len)) {
            PathEntry *entry = append(rd, &iopath_tail);
            entry->score = -1;
            if (!read_cond_iopath(rd, entry))
                return false;
            entry->cond_on_input = classify_cond_on_input(entry);
        } else {
            msg_warning_at(rd->source, "Unknown entry in DELAY block, skipping");
            // The next entry read meets whatever stopped the skip.
            (void)sdf_skip_entry(rd);
        }
    }
}

enum DelayBody { BODY_FAILED, BODY_READ, BODY_CLOSED };

// Deltype blocks that hold no absolute delays; read extended, those before
// the ABSOLUTE block are passed over. The name as it is reported.
const char *passed_deltype(const SdfToken &keyword)
{
    static const char names[][17] = {"INCREMENT", "PATHPULSE", "PATHPULSEPERCENT"};
    for (const char *name : names)
        if (sdf_is_keyword(name, keyword.text, keyword.len))
            return name;
    return nullptr;
}

// BODY_CLOSED when the DELAY's closing bracket has been consumed after
// passed-over blocks only; the lists are then left as they were.
DelayBody read_delay_body(SdfReader *rd, PathEntry **iopaths, PathDelay **paths,
                          InterconnectDelay **interconnects)
{
    bool passed_over = false;
    SdfToken deltype;
    for (;;) {
        char c;
        bool found = sdf_next_char(rd, &c);
        if (passed_over && found && c == ')')
            return BODY_CLOSED;
        if (!found || c != '(') {
            msg_error_at(rd->source, "Expecting open bracket");
            return BODY_FAILED;
        }
        // No keyword at the end of input is no ABSOLUTE either.
        (void)sdf_keyword(rd, &deltype);
        const char *passed = rd->extended ? passed_deltype(deltype) : nullptr;
        if (!passed)
            break;
        msg_warning_at(rd->source, "%s block ignored", passed);
        if (!sdf_skip_entry(rd))
            return BODY_FAILED;
        passed_over = true;
    }
    if (!sdf_is_keyword("ABSOLUTE", deltype.text, deltype.len)) {
        msg_error_at(rd->source, "Only ABSOLUTE delays supported");
        return BODY_FAILED;
    }
    *iopaths = nullptr;
    *paths = nullptr;
    *interconnects = nullptr;
    return read_absolute_entries(rd, iopaths, paths, interconnects) ? BODY_READ : BODY_FAILED;
}

} // namespace

bool sdf_read_delay(SdfReader *rd, PathEntry **iopaths, PathDelay **paths,
                    InterconnectDelay **interconnects)
{
    int mode = rd->mode;
    rd->mode = MODE_COLLECT;
    DelayBody body = read_delay_body(rd, iopaths, paths, interconnects);
    rd->mode = mode;
    if (body == BODY_CLOSED)
        return true;
    if (body != BODY_READ)
        return false;
    // Whatever follows the ABSOLUTE block, such as a further deltype block,
    // is passed over through the DELAY entry's closing bracket. The block's
    // entries are all read, so a skip that fails leaves them standing; the
    // cell meets the cause next.
    (void)sdf_skip_entry(rd);
    return true;
}

namespace {

// strtod of a plain decimal of at most 15 significant digits and at most 22
// after the point, computed directly: the digits and the power of ten are
// both exact doubles, so their quotient is the correctly rounded value, the
// same that strtod returns. Anything else goes to strtod.
double decimal_value(const char *text)
{
    static const double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char *p = text;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        p++;
    unsigned long long digits = 0;
    int significant = 0, scale = 0, seen = 0;
    for (; *p >= '0' && *p <= '9'; p++, seen++)
        if (digits || *p != '0') {
            digits = digits * 10 + static_cast<unsigned>(*p - '0');
            significant++;
        }
    if (*p == '.')
        for (p++; *p >= '0' && *p <= '9'; p++, seen++, scale++)
            if (digits || *p != '0') {
                digits = digits * 10 + static_cast<unsigned>(*p - '0');
                significant++;
            }
    if (*p != '\0' || seen == 0 || significant > 15 || scale > 22)
        return strtod(text, nullptr);
    double value = static_cast<double>(digits) / powers[scale];
    return negative ? -value : value;
}

} // namespace

double mean_component(const ValueTriple values[6], int which)
{
    double sum = 0;
    int count = 0;
    for (int i = 0; i < 6; i++) {
        if (values[i].absent)
            continue;
        const char *text = which == 0 ? values[i].min : which == 1 ? values[i].typ : values[i].max;
        if (!text)
            continue;
        sum += decimal_value(text);
        count++;
    }
    return count ? sum / count : 0;
}
