#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/cond.h"
#include "config/prefs.h"
#include "remap/path_match.h"

namespace {

const int MAX = PATH_SCORE_MAX;

CondExpr name_node(const char *name)
{
    return CondExpr{COND_NAME, const_cast<char *>(name), nullptr};
}

// An IOPATH from A (with `edge`) to Y (bit or range msb:lsb) with one delay.
PathEntry path(int edge, int msb = -1, int lsb = -1, const char *delay = nullptr)
{
    PathEntry p{};
    p.in_port = PortSpec{"A", -1, -1, edge};
    p.out_port = PortSpec{"Y", msb, lsb, EDGE_NONE};
    p.score = -1;
    for (ValueTriple &d : p.delays)
        d = ValueTriple{1, nullptr, nullptr, nullptr};
    p.delays[0] = ValueTriple{0, delay, delay, delay};
    return p;
}

PathEntry *chain(std::vector<PathEntry> &paths)
{
    for (size_t i = 0; i + 1 < paths.size(); i++)
        paths[i].next = &paths[i + 1];
    return &paths[0];
}

TEST(PathMatch, EdgeScoreTable)
{
    struct Case {
        int input_edge, tmpl_edge, score;
    } cases[] = {
        {EDGE_POSEDGE, EDGE_POSEDGE, MAX}, {EDGE_01, EDGE_POSEDGE, MAX},
        {EDGE_POSEDGE, EDGE_NONE, 1},      {EDGE_01, EDGE_01, 1},
        {EDGE_10, EDGE_NEGEDGE, MAX},      {EDGE_0Z, EDGE_POSEDGE, 2},
        {EDGE_Z1, EDGE_NEGEDGE, 0},        {EDGE_Z0, EDGE_NEGEDGE, 2},
        {EDGE_1Z, EDGE_NONE, 0},           {EDGE_NONE, EDGE_NEGEDGE, 3},
        {EDGE_NONE, EDGE_Z1, MAX},
    };
    for (const Case &c : cases) {
        PathEntry tmpl = path(c.tmpl_edge), input = path(c.input_edge);
        EXPECT_EQ(c.score, path_edge_score(&tmpl, &input)) << c.input_edge << " " << c.tmpl_edge;
    }
    EXPECT_STREQ("the remapping process has become confused. Please contact\n"
                 "Brenlow technical support.",
                 path_score_reason(4));
    EXPECT_STREQ(path_score_reason(4), path_subscore_reason(5));
}

TEST(PathMatch, ConditionSubscores)
{
    CondExpr en = name_node("EN"), en2 = name_node("EN"), rst = name_node("RST");
    CondExpr rst2 = name_node("RST"), a = name_node("A");
    CondExpr a_and_en{COND_AND, &a, &en2};
    PathEntry tmpl = path(EDGE_POSEDGE), input = path(EDGE_POSEDGE);
    EXPECT_EQ(2, condition_subscore(nullptr, &input, &tmpl));
    input.cond_text = const_cast<char *>("EN");
    input.cond = &en;
    EXPECT_EQ(0, condition_subscore(nullptr, &input, &tmpl));
    tmpl.cond_text = const_cast<char *>("RST");
    tmpl.cond = &rst;
    EXPECT_EQ(1, condition_subscore(nullptr, &input, &tmpl));

    // The rule's text equals the input's apart from blanks, and its template
    // side equals the template's condition; a trailing blank breaks the match.
    CondEqRule other{nullptr, &en2, "E N"};
    CondEqRule rule{&other, &rst2, " E\tN"};
    Preferences prefs{};
    prefs.condeq = &rule;
    EXPECT_EQ(4, condition_subscore(&prefs, &input, &tmpl));
    rule.condition = "EN ";
    EXPECT_EQ(1, condition_subscore(&prefs, &input, &tmpl));

    // A condition that begins by restating the input's level counts for the rest.
    input.cond_text = const_cast<char *>("A && EN");
    input.cond = &a_and_en;
    input.cond_on_input = 2;
    tmpl.cond_text = const_cast<char *>("EN");
    tmpl.cond = &en;
    EXPECT_EQ(3, condition_subscore(nullptr, &input, &tmpl));
    input.cond_on_input = tmpl.cond_on_input = 1;
    EXPECT_EQ(2, condition_subscore(nullptr, &input, &tmpl));
}

TEST(PathMatch, CandidatesByPortsAndOutputBit)
{
    std::vector<PathEntry> input = {path(EDGE_NONE, 3, 0), path(EDGE_NEGEDGE, 2),
                                    path(EDGE_POSEDGE, 1, 0), path(EDGE_POSEDGE, 2)};
    input[3].in_port.name = "B";
    input[1].in_port.msb = 7; // input bits are not compared
    PathEntry tmpl = path(EDGE_POSEDGE, 2);
    PathEntry **cands = find_path_candidates(&tmpl, chain(input));
    EXPECT_EQ(&input[0], cands[0]);
    EXPECT_EQ(&input[1], cands[1]);
    EXPECT_EQ(nullptr, cands[2]);
    EXPECT_EQ(1, input[1].score);

    std::vector<PathEntry> many(300, path(EDGE_NONE));
    PathEntry plain = path(EDGE_NONE);
    cands = find_path_candidates(&plain, chain(many));
    EXPECT_EQ(&many[299], cands[299]);
    EXPECT_EQ(nullptr, cands[300]);
}

TEST(PathMatch, MeanDelayBreaksTiesAndRetainFollowsTheWinner)
{
    std::vector<PathEntry> input = {path(EDGE_NONE, -1, -1, "1"), path(EDGE_NONE, -1, -1, "2"),
                                    path(EDGE_NONE, -1, -1, "3")};
    input[0].mean_delay[2] = input[1].mean_delay[2] = 7;
    input[1].mean_delay[0] = 9;
    input[2].mean_delay[2] = 5;
    input[0].has_retain = 1;
    input[0].retain[0] = ValueTriple{0, "0.1", nullptr, nullptr};
    std::vector<PathEntry> tmpl = {path(EDGE_NONE), path(EDGE_NONE)};
    CellInstance cell{};
    char *buf = nullptr;
    size_t size = 0;
    FILE *audit = open_memstream(&buf, &size);
    PathEntry *result = remap_iopaths(&cell, audit, chain(tmpl), chain(input), 2);
    fclose(audit);
    const std::string paragraph =
        "--------\nSubstituting (IOPATH A Y ...) for (IOPATH A Y ...) \n"
        "because the two input edge specifications match exactly.\n"
        "scored max (IOPATH A Y ...) \nscored max (IOPATH A Y ...) \n"
        "---\nRefined because netither of the expressions were conditional (subscore 2)\n"
        "subscore 2 (IOPATH A Y ...) \nsubscore 2 (IOPATH A Y ...) \n"
        "---\nRefined because the mean delay was greater than the other candidates'";
    EXPECT_EQ(paragraph + paragraph, std::string(buf, size));
    free(buf);
    EXPECT_STREQ("1", result->next->delays[0].typ);
    EXPECT_EQ(1, result->next->has_retain);
    EXPECT_STREQ("0.1", result->next->retain[0].min);
    free(result->next);
    free(result);

    // By the min component the second entry wins. A conditional entry drops
    // out of the subscore tie, and equal means keep the earlier entry.
    FILE *sink = tmpfile();
    PathEntry **cands = find_path_candidates(&tmpl[0], &input[0]);
    EXPECT_EQ(&input[1], choose_iopath(sink, nullptr, &tmpl[0], cands, 0));
    CondExpr en = name_node("EN");
    input[2].cond_text = const_cast<char *>("EN");
    input[2].cond = &en;
    input[2].mean_delay[1] = 99;
    cands = find_path_candidates(&tmpl[0], &input[0]);
    EXPECT_EQ(&input[0], choose_iopath(sink, nullptr, &tmpl[0], cands, 1));
    audit_path_substitution(sink, nullptr, nullptr, PATH_AUDIT_FLUSH);
    fclose(sink);
}

} // namespace
