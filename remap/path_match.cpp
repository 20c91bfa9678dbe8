#include "remap/path_match.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "config/prefs.h"
#include "remap/audit_notation.h"
#include "remap/defaults_subst.h"
#include "remap/match_shared.h"
#include "sdf/sdf_cond.h"
#include "support/messages.h"
#include "support/support.h"

namespace {

const int MAX = PATH_SCORE_MAX;

// Rows by the input entry's edge, columns by the template's: posedge,
// negedge, anything else. An input without an edge is a superset of an
// edged template; a tristate edge resembles the edge it leaves or reaches.
const int edge_scores[5][3] = {
    {MAX, 1, 1}, // posedge, 01
    {1, MAX, 1}, // negedge, 10
    {2, 0, 0},   // 0z, z1
    {0, 2, 0},   // 1z, z0
    {3, 3, MAX}, // none
};

const char *const confused_reason =
    "the remapping process has become confused. Please contact\nBrenlow technical support.";

const char subscore_reasons[5][72] = {
    "no better match based on conditional information could be found",
    "both of the expressions were conditional",
    "netither of the expressions were conditional",
    "the conditions were determined to be equivalent",
    "the conditions were described as equivalent in the preferences file",
};

int input_edge_row(int edge)
{
    EdgeDirection direction = edge_direction(edge);
    if (direction == DIR_NONE)
        return 4;
    return edge_is_tristate(edge) ? 2 + direction : direction;
}

int template_edge_column(int edge)
{
    return edge == EDGE_POSEDGE ? 0 : edge == EDGE_NEGEDGE ? 1 : 2;
}

// Score of the input entry's input edge against the template's.
int path_edge_score(const PathEntry *tmpl, const PathEntry *input)
{
    int row = input_edge_row(input->in_port.edge);
    return edge_scores[row][template_edge_column(tmpl->in_port.edge)];
}

// The condition without what merely restates the input port's active level.
const CondExpr *effective_cond(const PathEntry *entry)
{
    if (entry->cond_on_input == 1)
        return nullptr;
    if (entry->cond_on_input == 2 && entry->cond && entry->cond->kind == COND_AND)
        return entry->cond->right;
    return entry->cond;
}

bool described_equivalent(const Preferences *prefs, const PathEntry *input,
                          const PathEntry *tmpl)
{
    if (!prefs || !input->cond_text)
        return false;
    for (const CondEqRule *rule = prefs->condeq; rule; rule = rule->next) {
        if (str_cmp_ignore_blanks(rule->condition, input->cond_text) == 0 &&
            cond_equal(rule->template_cond, tmpl->cond))
            return true;
    }
    return false;
}

void write_score_line(TextOut *audit, const PathEntry *entry)
{
    print_score(audit, entry->score, MAX);
    print_path_entry(audit, entry);
    text_char(audit, '\n');
}

void write_other_scores(TextOut *audit, PathEntry **cands, const PathEntry *chosen)
{
    for (PathEntry **c = cands; *c; c++) {
        if (*c != chosen)
            write_score_line(audit, *c);
    }
}

const char *path_score_reason(int score)
{
    switch (score) {
    case MAX:
        return "the two input edge specifications match exactly.";
    case 3:
        return "the SDF entry edge specification is a superset of the template\n"
               "and no perfect match was found.";
    case 2:
        return "no superset or exact match for the template edge specification\n"
               "could be found, but the SDF entry edge specification resembles\n"
               "the template edge.";
    case 1:
        return "the edge specification in the template could not be found\n"
               "anywhere in the SDF cell, but the ports match.";
    case 0:
        return "the ports match and a better match could not be found.";
    default:
        return confused_reason;
    }
}

const char *path_subscore_reason(int subscore)
{
    return subscore >= 0 && subscore <= 4 ? subscore_reasons[subscore] : confused_reason;
}

// Writes one paragraph of `mode` or folds a substitution into the repeat run.
// Returns true when it wrote a paragraph or flushed, false when it folded or
// had nothing to flush.
bool audit_path_substitution(PathRepeatRun *run, TextOut *audit, PathEntry *tmpl, PathEntry *input,
                             PathAuditMode mode)
{
    if (mode == PATH_AUDIT_FLUSH && !run->input)
        return false;
    if (mode <= run->mode && input && input == run->input &&
        tmpl->cond_text == run->tmpl->cond_text && tmpl->in_port.edge == run->tmpl->in_port.edge &&
        tmpl->out_port.msb != -1) {
        bit_run_add(&run->bits, tmpl->out_port.msb);
        return false;
    }
    bit_run_close(&run->bits, audit);
    run->mode = mode;
    run->input = input;
    run->tmpl = tmpl;
    switch (mode) {
    case PATH_AUDIT_SUBSTITUTION:
        text_lit(audit, "--------\nSubstituting ");
        print_path_entry(audit, tmpl);
        text_lit(audit, "for ");
        print_path_entry(audit, input);
        text_lit(audit, "\nbecause ");
        text_str(audit, path_score_reason(input->score));
        if (input->score != MAX) {
            text_lit(audit, " (score ");
            text_int(audit, input->score);
            text_char(audit, ')');
        }
        text_char(audit, '\n');
        break;
    case PATH_AUDIT_CONDITION:
        text_lit(audit, "---\nRefined because ");
        text_str(audit, path_subscore_reason(input->subscore));
        text_lit(audit, " (subscore ");
        text_int(audit, input->subscore);
        text_lit(audit, ")\n");
        break;
    case PATH_AUDIT_MEAN_DELAY:
        text_lit(audit, "---\nRefined because the mean delay was greater than the other candidates'");
        break;
    case PATH_AUDIT_FLUSH:
        break;
    }
    return true;
}

void flush_run(RemapContext *ctx, TextOut *audit)
{
    audit_path_substitution(&ctx->path_run, audit, nullptr, nullptr, PATH_AUDIT_FLUSH);
}

// Among the tied entries with the best subscore, the first with the greatest
// mean delay; `best` is the first entry with that subscore.
PathEntry *greatest_mean(const std::vector<PathEntry *> &ties, PathEntry *best, int mean_index)
{
    for (PathEntry *entry : ties) {
        if (entry->subscore == best->subscore &&
            entry->mean_delay[mean_index] > best->mean_delay[mean_index])
            best = entry;
    }
    return best;
}

PathEntry *choose_among_ties(PathRepeatRun *run, TextOut *audit, const Preferences *prefs,
                             PathEntry *tmpl, PathEntry **cands, int best_score, int mean_index)
{
    std::vector<PathEntry *> ties;
    for (PathEntry **c = cands; *c; c++) {
        if ((*c)->score == best_score)
            ties.push_back(*c);
    }
    PathEntry *chosen = nullptr;
    bool subscore_tie = false;
    for (PathEntry *entry : ties) {
        entry->subscore = condition_subscore(prefs, entry, tmpl);
        if (!chosen || entry->subscore > chosen->subscore) {
            chosen = entry;
            subscore_tie = false;
        } else if (entry->subscore == chosen->subscore) {
            subscore_tie = true;
        }
    }
    if (subscore_tie)
        chosen = greatest_mean(ties, chosen, mean_index);

    if (audit_path_substitution(run, audit, tmpl, chosen, PATH_AUDIT_SUBSTITUTION)) {
        write_other_scores(audit, cands, chosen);
        audit_path_substitution(run, audit, tmpl, chosen, PATH_AUDIT_CONDITION);
        for (PathEntry *entry : ties) {
            if (entry == chosen)
                continue;
            text_lit(audit, "subscore ");
            text_int(audit, entry->subscore);
            text_char(audit, ' ');
            print_path_entry(audit, entry);
            text_char(audit, '\n');
        }
        if (subscore_tie)
            audit_path_substitution(run, audit, tmpl, chosen, PATH_AUDIT_MEAN_DELAY);
    }
    return chosen;
}

// The parameter lines are written once for a run of delays naming the same
// parameter, which is how templates usually fill all six positions.
void substitute_delays(RemapContext *ctx, CellInstance *template_cell, TextOut *audit,
                       PathEntry *result)
{
    const char *previous = nullptr;
    for (ValueTriple &delay : result->delays) {
        if (delay.absent || !delay.typ)
            continue;
        const char *name = delay.typ;
        int report = !previous || strcmp(previous, name) != 0;
        substitute_from_defaults(&delay, template_cell, ctx->text_store, audit, report, *ctx->msg);
        previous = name;
    }
}

void fill_from_defaults(RemapContext *ctx, CellInstance *template_cell, TextOut *audit,
                        PathEntry *result)
{
    if (defaults_can_fill(template_cell, audit, *ctx->msg)) {
        substitute_delays(ctx, template_cell, audit, result);
        return;
    }
    for (ValueTriple &delay : result->delays)
        value_clear(&delay);
}

void take_values(PathEntry *result, const PathEntry *chosen)
{
    memcpy(result->delays, chosen->delays, sizeof result->delays);
    if (chosen->has_retain) {
        memcpy(result->retain, chosen->retain, sizeof result->retain);
        result->has_retain = 1;
    }
}

// The best candidate by score, then subscore, then mean delay at
// `mean_index`; null for an empty array. Writes the audit paragraphs.
PathEntry *choose_iopath(PathRepeatRun *run, TextOut *audit, const Preferences *prefs,
                         PathEntry *tmpl, PathEntry **cands, int mean_index)
{
    if (!cands[0])
        return nullptr;
    PathEntry *chosen = cands[0];
    bool score_tie = false;
    for (PathEntry **c = cands + 1; *c; c++) {
        if ((*c)->score > chosen->score) {
            chosen = *c;
            score_tie = false;
        } else if ((*c)->score == chosen->score) {
            score_tie = true;
        }
    }
    if (score_tie)
        return choose_among_ties(run, audit, prefs, tmpl, cands, chosen->score, mean_index);
    if (audit_path_substitution(run, audit, tmpl, chosen, PATH_AUDIT_SUBSTITUTION))
        write_other_scores(audit, cands, chosen);
    return chosen;
}

} // namespace

int condition_subscore(const Preferences *prefs, const PathEntry *input, const PathEntry *tmpl)
{
    if (described_equivalent(prefs, input, tmpl))
        return 4;
    if ((input->cond_on_input == 1 && tmpl->cond_on_input == 1) ||
        (!input->cond_text && !tmpl->cond_text))
        return 2;
    if (cond_equal(effective_cond(input), effective_cond(tmpl)))
        return 3;
    if (input->cond_text && tmpl->cond_text)
        return 1;
    return 0;
}

PathEntry **find_path_candidates(RemapContext *ctx, const PathEntry *tmpl,
                                 PathEntry *input_paths)
{
    CandidateArray<PathEntry> &candidates = ctx->path_candidates;
    candidates_clear(&candidates);
    for (PathEntry *input = input_paths; input; input = input->next) {
        if (!same_port_name(input->out_port.name, tmpl->out_port.name) ||
            !same_port_name(input->in_port.name, tmpl->in_port.name) ||
            !port_covers_bit(&input->out_port, tmpl->out_port.msb))
            continue;
        input->score = path_edge_score(tmpl, input);
        candidates_push(&candidates, input);
    }
    return candidates.items;
}

PathEntry *remap_iopaths(RemapContext *ctx, CellInstance *template_cell, TextOut *audit,
                         PathEntry *template_paths, PathEntry *input_paths, int mean_index)
{
    PathEntry *head = nullptr;
    PathEntry **tail = &head;
    for (PathEntry *tmpl = template_paths; tmpl; tmpl = tmpl->next) {
        PathEntry **cands = find_path_candidates(ctx, tmpl, input_paths);
        PathEntry *result = static_cast<PathEntry *>(xmalloc(sizeof(PathEntry)));
        *result = *tmpl;
        result->next = nullptr;
        *tail = result;
        tail = &result->next;
        PathEntry *chosen =
            choose_iopath(&ctx->path_run, audit, template_cell->prefs, tmpl, cands, mean_index);
        if (chosen) {
            if (!tmpl->next)
                flush_run(ctx, audit);
            chosen->used = 1;
            take_values(result, chosen);
            continue;
        }
        flush_run(ctx, audit);
        text_lit(audit, "++++++++\nCouldn't find a match for IOPATH between ");
        text_str(audit, tmpl->in_port.name);
        text_lit(audit, " and ");
        text_str(audit, tmpl->out_port.name);
        text_char(audit, '\n');
        fill_from_defaults(ctx, template_cell, audit, result);
    }
    return head;
}
