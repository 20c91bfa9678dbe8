#include "remap/check_match.h"

#include <cstdlib>
#include <cstring>

#include "remap/audit_notation.h"
#include "remap/defaults_subst.h"
#include "remap/match_shared.h"
#include "support/messages.h"
#include "support/support.h"

namespace {

const int MAX = CHECK_SCORE_MAX;

// scores[template edge direction][input edge direction] for one pair of kinds.
struct CheckScoreRow {
    int template_kind;
    int input_kind;
    int scores[3][3];
};

// A SETUPHOLD, NOCHANGE, RECOVERY or RECREM can stand in for a SETUP, and the
// hold-side kinds for a HOLD. A HOLD template without an edge prefers a
// falling-edge HOLD, and the NOCHANGE rows of HOLD favour the opposite edge.
const CheckScoreRow check_score_rows[] = {
    {CHECK_SETUP, CHECK_SETUP, {{MAX, 4, 9}, {4, MAX, 9}, {4, 4, MAX}}},
    {CHECK_SETUP, CHECK_SETUPHOLD, {{13, 3, 8}, {3, 13, 8}, {3, 3, 13}}},
    {CHECK_SETUP, CHECK_NOCHANGE, {{12, 2, -1}, {2, 12, -1}, {2, 2, -1}}},
    {CHECK_SETUP, CHECK_RECOVERY, {{11, 1, 6}, {1, 11, 6}, {1, 1, 11}}},
    {CHECK_SETUP, CHECK_RECREM, {{10, 0, 5}, {0, 10, 5}, {0, 0, 10}}},
    {CHECK_HOLD, CHECK_HOLD, {{MAX, 4, 9}, {4, MAX, 9}, {4, 9, MAX}}},
    {CHECK_HOLD, CHECK_SETUPHOLD, {{13, 3, 8}, {3, 13, 8}, {3, 3, 13}}},
    {CHECK_HOLD, CHECK_NOCHANGE, {{2, 12, -1}, {12, 2, -1}, {2, 2, -1}}},
    {CHECK_HOLD, CHECK_REMOVAL, {{11, 1, 6}, {1, 11, 6}, {1, 1, 11}}},
    {CHECK_HOLD, CHECK_RECREM, {{10, 0, 5}, {0, 10, 5}, {0, 0, 10}}},
    {CHECK_SETUPHOLD, CHECK_SETUPHOLD, {{MAX, -1, 1}, {-1, MAX, 1}, {-1, -1, MAX}}},
    {CHECK_WIDTH, CHECK_WIDTH, {{MAX, 0, 1}, {0, MAX, 1}, {0, 0, MAX}}},
    {CHECK_PERIOD, CHECK_PERIOD, {{MAX, 0, 1}, {0, MAX, 1}, {0, 0, MAX}}},
};

// The texts are stored in the rows rather than pointed to, so that the table
// needs no relocation and stays in read-only memory.
struct CheckReason {
    int template_kind;
    int score;
    char text[80];
};

const CheckReason check_reasons[] = {
    {CHECK_SETUP, 0,
         "a more specific SETUP, SETUPHOLD, NOCHANGE or RECOVERY match could not be found"},
    {CHECK_SETUP, 1, "a more specific SETUP, SETUPHOLD or NOCHANGE match could not be found"},
    {CHECK_SETUP, 2, "a more specific SETUP or SETUPHOLD match could not be found"},
    {CHECK_SETUP, 3, "a more specific SETUP match could not be found"},
    {CHECK_SETUP, 4, "a more specific match could not be found"},
    {CHECK_SETUP, 5,
         "a RECREM with no edge spec is a semantic superset of the template SETUP spec"},
    {CHECK_SETUP, 6,
         "a RECOVERY with no edge spec is a semantic superset of the template SETUP spec"},
    {CHECK_SETUP, 8, "a SETUPHOLD with no edge spec is a superset of the template SETUP spec"},
    {CHECK_SETUP, 9, "a SETUP with no edge spec is a superset of the template SETUP spec"},
    {CHECK_SETUP, 10, "the recovery portion of the RECREM has the same edge spec as the SETUP"},
    {CHECK_SETUP, 11, "the RECOVERY has the same edge spec as the SETUP"},
    {CHECK_SETUP, 12, "the setup portion of the NOCHANGE matches the SETUP edge spec"},
    {CHECK_SETUP, 13, "the setup portion of the SETUPHOLD matches the SETUP edge spec"},
    {CHECK_HOLD, 0,
         "a more specific HOLD, SETUPHOLD, NOCHANGE or REMOVAL match could not be found"},
    {CHECK_HOLD, 1, "a more specific HOLD, SETUPHOLD or NOCHANGE match could not be found"},
    {CHECK_HOLD, 2, "a more specific HOLD or SETUPHOLD match could not be found"},
    {CHECK_HOLD, 3, "a more specific HOLD match could not be found"},
    {CHECK_HOLD, 4, "a more specific match could not be found"},
    {CHECK_HOLD, 5, "a RECREM with no edge spec is a semantic superset of the template HOLD spec"},
    {CHECK_HOLD, 6, "a REMOVAL with no edge spec is a semantic superset of the template HOLD spec"},
    {CHECK_HOLD, 8, "a SETUPHOLD with no edge spec is a superset of the template HOLD spec"},
    {CHECK_HOLD, 9, "a HOLD with no edge spec is a superset of the template HOLD spec"},
    {CHECK_HOLD, 10, "the removal portion of the RECREM has the same edge spec as the HOLD"},
    {CHECK_HOLD, 11, "the REMOVAL has the same edge spec as the HOLD"},
    {CHECK_HOLD, 12, "the setup portion of the NOCHANGE matches the HOLD edge spec"},
    {CHECK_HOLD, 13, "the setup portion of the SETUPHOLD matches the HOLD edge spec"},
    {CHECK_SETUPHOLD, 1, "a SETUPHOLD with no edge spec is a superset of the template SETUPHOLD"},
    {CHECK_WIDTH, 0, "the edge specs don't match, but nothing better could be found"},
    {CHECK_WIDTH, 1, "a WIDTH with no edge spec is a superset of the template WIDTH"},
    {CHECK_PERIOD, 0, "the edge specs don't match, but nothing better could be found"},
    {CHECK_PERIOD, 1, "a PERIOD with no edge spec is a superset of the template PERIOD"},
};

bool is_known_kind(int kind)
{
    switch (static_cast<CheckKind>(kind)) {
    case CHECK_SETUP:
    case CHECK_HOLD:
    case CHECK_SETUPHOLD:
    case CHECK_WIDTH:
    case CHECK_PERIOD:
    case CHECK_NOCHANGE:
    case CHECK_RECOVERY:
    case CHECK_REMOVAL:
    case CHECK_RECREM:
        return true;
    case CHECK_OTHER:
        return false;
    }
    return false;
}

bool ports_match(const TimingCheck *tmpl, const TimingCheck *input)
{
    if (!same_port_name(tmpl->ref_port.name, input->ref_port.name))
        return false;
    if (!tmpl->data_port.name || !input->data_port.name)
        return true;
    return strcmp(tmpl->data_port.name, input->data_port.name) == 0 &&
           port_covers_bit(&input->data_port, tmpl->data_port.msb);
}

// A HOLD takes the hold side of a two-value check.
const ValueTriple *value_for(const TimingCheck *tmpl, const TimingCheck *chosen)
{
    bool hold_side = chosen->kind == CHECK_SETUPHOLD || chosen->kind == CHECK_NOCHANGE ||
                     chosen->kind == CHECK_RECREM;
    return tmpl->kind == CHECK_HOLD && hold_side ? &chosen->value2 : &chosen->value1;
}

void write_score_line(TextOut *audit, const TimingCheck *check)
{
    print_score(audit, check->score, MAX);
    print_check_entry(audit, check);
    text_char(audit, '\n');
}

const char *check_score_reason(int kind, int score)
{
    for (const CheckReason &reason : check_reasons) {
        if (reason.template_kind == kind && reason.score == score)
            return reason.text;
    }
    return score == MAX ? "the ports and active edge specs match perfectly" : "(reason unknown)";
}

// Writes the substitution paragraph of `tmpl` and `input`, or folds it into
// the repeat run when it serves the next bit of the previous template check
// from the same input check. `flush` ends the run (tmpl and input unused).
// Returns true when it wrote a paragraph or flushed, false when it folded or
// had nothing to flush.
bool audit_check_substitution(CheckRepeatRun *run, TextOut *audit, TimingCheck *tmpl,
                              TimingCheck *input, bool flush)
{
    if (flush && !run->input)
        return false;
    if (!flush && input && input == run->input && tmpl->ref_cond == run->tmpl->ref_cond &&
        tmpl->data_cond == run->tmpl->data_cond &&
        tmpl->ref_port.edge == run->tmpl->ref_port.edge && tmpl->data_port.msb != -1) {
        bit_run_add(&run->bits, tmpl->data_port.msb);
        return false;
    }
    bit_run_close(&run->bits, audit);
    run->input = flush ? nullptr : input;
    run->tmpl = flush ? nullptr : tmpl;
    if (flush)
        return true;
    text_lit(audit, "--------\nSubstituting ");
    print_check_entry(audit, tmpl);
    text_lit(audit, "for ");
    print_check_entry(audit, input);
    text_lit(audit, "\nbecause ");
    text_str(audit, check_score_reason(tmpl->kind, input->score));
    text_lit(audit, ".\n");
    return true;
}

void flush_run(RemapContext *ctx, TextOut *audit)
{
    audit_check_substitution(&ctx->check_run, audit, nullptr, nullptr, true);
}

// The first candidate with the best score, or null for an empty array.
// Writes the substitution paragraph and, when it was written, the scores of
// the other candidates.
TimingCheck *choose_timing_check(CheckRepeatRun *run, TextOut *audit, TimingCheck *tmpl,
                                 TimingCheck **cands)
{
    if (!cands[0])
        return nullptr;
    TimingCheck *chosen = cands[0];
    for (TimingCheck **c = cands + 1; *c && chosen->score != MAX; c++) {
        if ((*c)->score > chosen->score)
            chosen = *c;
    }
    if (audit_check_substitution(run, audit, tmpl, chosen, false) && cands[1]) {
        for (TimingCheck **c = cands; *c; c++) {
            if (*c != chosen)
                write_score_line(audit, *c);
        }
    }
    return chosen;
}

TimingCheck *copy_check(const TimingCheck *tmpl)
{
    TimingCheck *copy = static_cast<TimingCheck *>(xmalloc(sizeof(TimingCheck)));
    *copy = *tmpl;
    copy->next = nullptr;
    return copy;
}

// A SETUPHOLD without a partner is matched as a SETUP half and a HOLD half;
// the result stays a SETUPHOLD carrying the two halves' values.
void split_setuphold(RemapContext *ctx, CellInstance *template_cell, TextOut *audit,
                     const TimingCheck *tmpl, TimingCheck *result, TimingCheck *input_checks)
{
    text_lit(audit, "\n--------\n");
    print_check_entry(audit, tmpl);
    text_lit(audit, "\nCould not find an appropriate SETUPHOLD mapping for this entry.\n"
                    "Splitting into SETUP and HOLD entries and trying each individually.\n");
    TimingCheck *setup_half = copy_check(tmpl);
    setup_half->kind = CHECK_SETUP;
    TimingCheck *hold_half = copy_check(tmpl);
    hold_half->kind = CHECK_HOLD;
    hold_half->value1 = tmpl->value2;
    TimingCheck *setup = remap_timing_checks(ctx, template_cell, audit, setup_half, input_checks);
    TimingCheck *hold = remap_timing_checks(ctx, template_cell, audit, hold_half, input_checks);
    result->value1 = setup->value1;
    result->value2 = hold->value1;
    free(setup);
    free(hold);
    free(setup_half);
    free(hold_half);
}

void fill_from_defaults(RemapContext *ctx, CellInstance *template_cell, TextOut *audit,
                        TimingCheck *result)
{
    if (defaults_can_fill(template_cell, audit, *ctx->msg)) {
        substitute_from_defaults(&result->value1, template_cell, ctx->text_store, audit, 1, *ctx->msg);
    } else {
        value_clear(&result->value1);
        value_clear(&result->value2);
    }
}

void handle_unmatched(RemapContext *ctx, CellInstance *template_cell, TextOut *audit,
                      const TimingCheck *tmpl, TimingCheck *result, TimingCheck *input_checks)
{
    flush_run(ctx, audit);
    if (tmpl->kind == CHECK_SETUPHOLD) {
        split_setuphold(ctx, template_cell, audit, tmpl, result, input_checks);
        return;
    }
    if (tmpl->value1.typ && strcmp(tmpl->value1.typ, "0") == 0) {
        text_lit(audit, "\n--------\nExplicit zero in timing check entry: ");
        print_check_entry(audit, tmpl);
        text_lit(audit, "\nPassing through unchanged.\n");
        return;
    }
    text_lit(audit, "\n--------\nUnable to match timing check: ");
    print_check_entry(audit, tmpl);
    text_char(audit, '\n');
    flush_run(ctx, audit);
    fill_from_defaults(ctx, template_cell, audit, result);
}

} // namespace

int check_match_score(const TimingCheck *tmpl, const TimingCheck *input, const MsgSettings &ms)
{
    if (!is_known_kind(input->kind))
        msg_fatal(15, ms, "Unknown check type in input SDF");
    for (const CheckScoreRow &row : check_score_rows) {
        if (row.template_kind == tmpl->kind && row.input_kind == input->kind)
            return row.scores[edge_direction(tmpl->ref_port.edge)]
                             [edge_direction(input->ref_port.edge)];
    }
    return -1;
}

TimingCheck **find_check_candidates(RemapContext *ctx, const TimingCheck *tmpl,
                                   TimingCheck *input_checks)
{
    CandidateArray<TimingCheck> &candidates = ctx->check_candidates;
    candidates_clear(&candidates);
    for (TimingCheck *input = input_checks; input; input = input->next) {
        if (input->kind == CHECK_OTHER || !ports_match(tmpl, input))
            continue;
        input->score = check_match_score(tmpl, input, *ctx->msg);
        if (input->score == -1)
            continue;
        candidates_push(&candidates, input);
    }
    return candidates.items;
}

TimingCheck *remap_timing_checks(RemapContext *ctx, CellInstance *template_cell, TextOut *audit,
                                 TimingCheck *template_checks, TimingCheck *input_checks)
{
    TimingCheck *head = nullptr;
    TimingCheck **tail = &head;
    for (TimingCheck *tmpl = template_checks; tmpl; tmpl = tmpl->next) {
        TimingCheck **cands = find_check_candidates(ctx, tmpl, input_checks);
        TimingCheck *result = copy_check(tmpl);
        *tail = result;
        tail = &result->next;
        TimingCheck *chosen = choose_timing_check(&ctx->check_run, audit, tmpl, cands);
        if (!chosen) {
            handle_unmatched(ctx, template_cell, audit, tmpl, result, input_checks);
            continue;
        }
        if (!tmpl->next)
            flush_run(ctx, audit);
        chosen->used = 1;
        result->value1 = *value_for(tmpl, chosen);
        result->value2 = chosen->value2;
    }
    return head;
}
