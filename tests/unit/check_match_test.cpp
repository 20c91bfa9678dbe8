#include "test_util.h"

#include "remap/check_match.h"

namespace {

TEST(CheckMatchDeathTest, UnknownInputKindIsFatal)
{
    TimingCheck tmpl = make_check(CHECK_SETUP, EDGE_POSEDGE), other = make_check(CHECK_OTHER, EDGE_POSEDGE);
    EXPECT_RUN_EXIT(check_match_score(&tmpl, &other, test_msg), 1,
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
    RemapContext ctx(test_msg);
    TimingCheck **cands = find_check_candidates(&ctx, &tmpl, chain(input));
    EXPECT_TRUE(cands[0] == &input[0] && cands[1] == &input[1] && cands[2] == &input[5] && !cands[3]);
    EXPECT_EQ(3, input[5].score);

    // A WIDTH template has no data port, so the inputs' data ports are not
    // compared; the array grows past its first 256 entries.
    std::vector<TimingCheck> many(600, make_check(CHECK_WIDTH, EDGE_NONE, 5));
    TimingCheck width = make_check(CHECK_WIDTH, EDGE_POSEDGE);
    width.data_port.name = nullptr;
    cands = find_check_candidates(&ctx, &width, chain(many));
    EXPECT_EQ(&many[599], cands[599]);
    EXPECT_EQ(nullptr, cands[600]);
}

TEST(CheckMatch, TristateEdgesCountByTheLevelTheyLeaveOrReach)
{
    TimingCheck tmpl = make_check(CHECK_SETUP, EDGE_POSEDGE);
    const int rising[] = {EDGE_01, EDGE_0Z, EDGE_Z1}, falling[] = {EDGE_10, EDGE_1Z, EDGE_Z0};
    for (int edge : rising) {
        TimingCheck input = make_check(CHECK_SETUP, edge);
        EXPECT_EQ(CHECK_SCORE_MAX, check_match_score(&tmpl, &input, test_msg)) << edge;
    }
    for (int edge : falling) {
        TimingCheck input = make_check(CHECK_SETUP, edge);
        EXPECT_EQ(4, check_match_score(&tmpl, &input, test_msg)) << edge;
    }
}

// Equal scores going to the earlier entry, a HOLD taking the hold value of
// a SETUPHOLD and the audit paragraphs show in end-to-end runs.

} // namespace
