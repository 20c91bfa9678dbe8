#include "test_util.h"

#include "config/prefs.h"
#include "remap/path_match.h"

namespace {

CondExpr name_node(const char *name)
{
    return CondExpr{COND_NAME, nullptr, nullptr, const_cast<char *>(name)};
}

void set_cond(PathEntry *p, const char *text, CondExpr *cond, int on_input = 0)
{
    p->cond_text = const_cast<char *>(text);
    p->cond = cond;
    p->cond_on_input = on_input;
}

TEST(PathMatch, ConditionSubscores)
{
    CondExpr en = name_node("EN"), en2 = name_node("EN"), rst = name_node("RST"), rst2 = name_node("RST");
    CondExpr a = name_node("A");
    CondExpr a_and_en{COND_AND, &a, &en2, nullptr};
    PathEntry tmpl = make_path(EDGE_POSEDGE), input = make_path(EDGE_POSEDGE);
    EXPECT_EQ(2, condition_subscore(nullptr, &input, &tmpl)); // neither conditional
    set_cond(&input, "EN", &en);
    EXPECT_EQ(0, condition_subscore(nullptr, &input, &tmpl));
    set_cond(&tmpl, "RST", &rst);
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
    set_cond(&input, "A && EN", &a_and_en, 2);
    set_cond(&tmpl, "EN", &en);
    EXPECT_EQ(3, condition_subscore(nullptr, &input, &tmpl));
    input.cond_on_input = tmpl.cond_on_input = 1;
    EXPECT_EQ(2, condition_subscore(nullptr, &input, &tmpl));
}

TEST(PathMatch, CandidatesByPortsAndOutputBit)
{
    std::vector<PathEntry> input = {make_path(EDGE_NONE, 3, 0), make_path(EDGE_NEGEDGE, 2),
                                    make_path(EDGE_POSEDGE, 1, 0), make_path(EDGE_POSEDGE, 2)};
    input[3].in_port.name = "B";
    input[1].in_port.msb = 7; // input bits are not compared
    PathEntry tmpl = make_path(EDGE_POSEDGE, 2);
    RemapContext ctx(test_msg);
    PathEntry **cands = find_path_candidates(&ctx, &tmpl, chain(input));
    EXPECT_TRUE(cands[0] == &input[0] && cands[1] == &input[1] && !cands[2]);
    EXPECT_EQ(1, input[1].score);

    std::vector<PathEntry> many(300, make_path(EDGE_NONE));
    PathEntry plain = make_path(EDGE_NONE);
    cands = find_path_candidates(&ctx, &plain, chain(many));
    EXPECT_EQ(&many[299], cands[299]);
    EXPECT_EQ(nullptr, cands[300]);
}

TEST(PathMatch, TristateEdgesResembleTheEdgeTheyLeaveOrReach)
{
    std::vector<PathEntry> input = {make_path(EDGE_0Z), make_path(EDGE_Z1), make_path(EDGE_1Z),
                                    make_path(EDGE_Z0)};
    RemapContext ctx(test_msg);
    for (int edge : {EDGE_POSEDGE, EDGE_NEGEDGE}) {
        PathEntry tmpl = make_path(edge);
        find_path_candidates(&ctx, &tmpl, chain(input));
        int rising = edge == EDGE_POSEDGE ? 2 : 0;
        EXPECT_TRUE(input[0].score == rising && input[1].score == rising &&
                    input[2].score == 2 - rising && input[3].score == 2 - rising)
            << edge;
    }
}

// Ties broken by mean delay, RETAIN values following the winner and the
// audit paragraphs show in end-to-end runs.

} // namespace
