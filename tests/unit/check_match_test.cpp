#include "test_util.h"

#include "remap/check_match.h"

namespace {

const int MAX = CHECK_SCORE_MAX;

TEST(CheckMatch, ScoreTable)
{
    // Edges count by class (rising, falling, none); a HOLD template without
    // an edge prefers a falling HOLD, and NOCHANGE favours the opposite edge
    // for a HOLD.
    const int S = CHECK_SETUP, H = CHECK_HOLD, SH = CHECK_SETUPHOLD, NC = CHECK_NOCHANGE, P = CHECK_PERIOD;
    const int W = CHECK_WIDTH, POS = EDGE_POSEDGE, NEG = EDGE_NEGEDGE, NONE = EDGE_NONE;
    const int cases[][5] = { // template kind and edge, input kind and edge, score
        {S, POS, S, EDGE_01, MAX},   {S, POS, S, NEG, 4},           {S, POS, S, NONE, 9},
        {S, NONE, S, NEG, 4},        {S, EDGE_Z1, SH, POS, 13},     {S, NEG, SH, NONE, 8},
        {S, POS, NC, NONE, -1},      {S, NONE, CHECK_RECOVERY, NONE, 11},
        {S, EDGE_1Z, CHECK_RECREM, EDGE_10, 10},                    {S, POS, CHECK_REMOVAL, POS, -1},
        {H, NONE, H, NEG, 9},        {H, NONE, H, POS, 4},          {H, POS, NC, NEG, 12},
        {H, POS, NC, POS, 2},        {H, NEG, CHECK_REMOVAL, EDGE_Z0, 11},
        {H, POS, CHECK_RECOVERY, POS, -1},                          {SH, POS, SH, NEG, -1},
        {SH, NEG, SH, NONE, 1},      {W, POS, W, NEG, 0},           {P, NONE, P, NONE, MAX},
        {P, NONE, W, NONE, -1},      {NC, POS, NC, POS, -1},
    };
    for (const auto &c : cases) {
        TimingCheck tmpl = make_check(c[0], c[1]), input = make_check(c[2], c[3]);
        EXPECT_EQ(c[4], check_match_score(&tmpl, &input))
            << c[0] << "/" << c[1] << " vs " << c[2] << "/" << c[3];
    }
    EXPECT_STREQ("a HOLD with no edge spec is a superset of the template HOLD spec",
                 check_score_reason(CHECK_HOLD, 9));
    EXPECT_STREQ("the ports and active edge specs match perfectly", check_score_reason(CHECK_WIDTH, MAX));
    EXPECT_STREQ("(reason unknown)", check_score_reason(CHECK_SETUP, 7));
}

TEST(CheckMatchDeathTest, UnknownInputKindIsFatal)
{
    TimingCheck tmpl = make_check(CHECK_SETUP, EDGE_POSEDGE), other = make_check(CHECK_OTHER, EDGE_POSEDGE);
    EXPECT_RUN_EXIT(check_match_score(&tmpl, &other), 1,
                "Fatal internal error 0000000f : Unknown check type in input SDF");
}

TEST(CheckMatch, CandidatesByPortsAndBits)
{
    std::vector<TimingCheck> input = {
        make_check(CHECK_SETUP, EDGE_POSEDGE, 3, 0), // range covers bit 2
        make_check(CHECK_SETUP, EDGE_POSEDGE, 2),    // the bit itself
        make_check(CHECK_SETUP, EDGE_POSEDGE, 1, 0), // range below the bit
        make_check(CHECK_HOLD, EDGE_POSEDGE, 2),     // kind cannot stand in
        make_check(CHECK_OTHER, EDGE_NONE),          // unread ports: ignored
        make_check(CHECK_SETUPHOLD, EDGE_NEGEDGE, 2),
        make_check(CHECK_SETUP, EDGE_POSEDGE, 2),
    };
    input[4].ref_port.name = input[4].data_port.name = nullptr;
    input[6].ref_port.name = "CLK";
    TimingCheck tmpl = make_check(CHECK_SETUP, EDGE_POSEDGE, 2);
    TimingCheck **cands = find_check_candidates(&tmpl, chain(input));
    EXPECT_TRUE(cands[0] == &input[0] && cands[1] == &input[1] && cands[2] == &input[5] && !cands[3]);
    EXPECT_EQ(3, input[5].score);

    // A WIDTH template has no data port, so the inputs' data ports are not
    // compared; the array grows past its first 256 entries.
    std::vector<TimingCheck> many(600, make_check(CHECK_WIDTH, EDGE_NONE, 5));
    TimingCheck width = make_check(CHECK_WIDTH, EDGE_POSEDGE);
    width.data_port.name = nullptr;
    cands = find_check_candidates(&width, chain(many));
    EXPECT_EQ(&many[599], cands[599]);
    EXPECT_EQ(nullptr, cands[600]);
}

// Equal scores going to the earlier entry, a HOLD taking the hold value of
// a SETUPHOLD and the audit paragraphs show in end-to-end runs.

} // namespace
