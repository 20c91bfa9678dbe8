#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "remap/check_match.h"

namespace {

const int MAX = CHECK_SCORE_MAX;

// A check on data port D (bit or range msb:lsb) against reference port CK.
TimingCheck check(int kind, int ref_edge, int msb = -1, int lsb = -1, const char *v1 = nullptr,
                  const char *v2 = nullptr)
{
    TimingCheck c{};
    c.kind = kind;
    c.ref_port = PortSpec{"CK", -1, -1, ref_edge};
    c.data_port = PortSpec{"D", msb, lsb, EDGE_NONE};
    c.score = -1;
    c.value1 = ValueTriple{0, v1, v1, v1};
    c.value2 = ValueTriple{0, v2, v2, v2};
    return c;
}

TimingCheck *chain(std::vector<TimingCheck> &checks)
{
    for (size_t i = 0; i + 1 < checks.size(); i++)
        checks[i].next = &checks[i + 1];
    return &checks[0];
}

TEST(CheckMatch, ScoreTableAndReasons)
{
    struct Case {
        int tmpl_kind, tmpl_edge, input_kind, input_edge, score;
    } cases[] = {
        {CHECK_SETUP, EDGE_POSEDGE, CHECK_SETUP, EDGE_01, MAX},
        {CHECK_SETUP, EDGE_POSEDGE, CHECK_SETUP, EDGE_NEGEDGE, 4},
        {CHECK_SETUP, EDGE_POSEDGE, CHECK_SETUP, EDGE_NONE, 9},
        {CHECK_SETUP, EDGE_Z1, CHECK_SETUPHOLD, EDGE_POSEDGE, 13},
        {CHECK_SETUP, EDGE_NEGEDGE, CHECK_SETUPHOLD, EDGE_NONE, 8},
        {CHECK_SETUP, EDGE_POSEDGE, CHECK_NOCHANGE, EDGE_NONE, -1},
        {CHECK_SETUP, EDGE_NONE, CHECK_RECOVERY, EDGE_NONE, 11},
        {CHECK_SETUP, EDGE_1Z, CHECK_RECREM, EDGE_10, 10},
        {CHECK_SETUP, EDGE_POSEDGE, CHECK_REMOVAL, EDGE_POSEDGE, -1},
        {CHECK_HOLD, EDGE_NONE, CHECK_HOLD, EDGE_NEGEDGE, 9},
        {CHECK_HOLD, EDGE_NONE, CHECK_HOLD, EDGE_POSEDGE, 4},
        {CHECK_HOLD, EDGE_POSEDGE, CHECK_NOCHANGE, EDGE_NEGEDGE, 12},
        {CHECK_HOLD, EDGE_POSEDGE, CHECK_NOCHANGE, EDGE_POSEDGE, 2},
        {CHECK_HOLD, EDGE_NEGEDGE, CHECK_REMOVAL, EDGE_Z0, 11},
        {CHECK_HOLD, EDGE_POSEDGE, CHECK_RECOVERY, EDGE_POSEDGE, -1},
        {CHECK_SETUPHOLD, EDGE_POSEDGE, CHECK_SETUPHOLD, EDGE_NEGEDGE, -1},
        {CHECK_SETUPHOLD, EDGE_NEGEDGE, CHECK_SETUPHOLD, EDGE_NONE, 1},
        {CHECK_WIDTH, EDGE_POSEDGE, CHECK_WIDTH, EDGE_NEGEDGE, 0},
        {CHECK_PERIOD, EDGE_NONE, CHECK_PERIOD, EDGE_NONE, MAX},
        {CHECK_PERIOD, EDGE_NONE, CHECK_WIDTH, EDGE_NONE, -1},
        {CHECK_NOCHANGE, EDGE_POSEDGE, CHECK_NOCHANGE, EDGE_POSEDGE, -1},
    };
    for (const Case &c : cases) {
        TimingCheck tmpl = check(c.tmpl_kind, c.tmpl_edge);
        TimingCheck input = check(c.input_kind, c.input_edge);
        EXPECT_EQ(c.score, check_match_score(&tmpl, &input))
            << c.tmpl_kind << "/" << c.tmpl_edge << " vs " << c.input_kind << "/" << c.input_edge;
    }
    EXPECT_STREQ("a HOLD with no edge spec is a superset of the template HOLD spec",
                 check_score_reason(CHECK_HOLD, 9));
    EXPECT_STREQ("the ports and active edge specs match perfectly",
                 check_score_reason(CHECK_WIDTH, MAX));
    EXPECT_STREQ("(reason unknown)", check_score_reason(CHECK_SETUP, 7));
    EXPECT_STREQ("(reason unknown)", check_score_reason(CHECK_RECREM, 0));
}

TEST(CheckMatchDeathTest, UnknownInputKindIsFatal)
{
    TimingCheck tmpl = check(CHECK_SETUP, EDGE_POSEDGE);
    TimingCheck other = check(CHECK_OTHER, EDGE_POSEDGE);
    EXPECT_EXIT(check_match_score(&tmpl, &other), testing::ExitedWithCode(1),
                "Fatal internal error 0000000f : Unknown check type in input SDF");
}

TEST(CheckMatch, CandidatesByPortsAndBits)
{
    std::vector<TimingCheck> input = {
        check(CHECK_SETUP, EDGE_POSEDGE, 3, 0),  // range covers bit 2
        check(CHECK_SETUP, EDGE_POSEDGE, 2),     // the bit itself
        check(CHECK_SETUP, EDGE_POSEDGE, 1, 0),  // range below the bit
        check(CHECK_HOLD, EDGE_POSEDGE, 2),      // kind cannot stand in
        check(CHECK_OTHER, EDGE_NONE),           // unread ports: ignored
        check(CHECK_SETUPHOLD, EDGE_NEGEDGE, 2),
        check(CHECK_SETUP, EDGE_POSEDGE, 2),
    };
    input[4].ref_port.name = input[4].data_port.name = nullptr;
    input[6].ref_port.name = "CLK";
    TimingCheck tmpl = check(CHECK_SETUP, EDGE_POSEDGE, 2);
    TimingCheck **cands = find_check_candidates(&tmpl, chain(input));
    EXPECT_EQ(&input[0], cands[0]);
    EXPECT_EQ(&input[1], cands[1]);
    EXPECT_EQ(&input[5], cands[2]);
    EXPECT_EQ(nullptr, cands[3]);
    EXPECT_EQ(3, input[5].score);

    // A WIDTH template has no data port, so the inputs' data ports are not
    // compared; the array grows past its first 256 entries.
    std::vector<TimingCheck> many(600, check(CHECK_WIDTH, EDGE_NONE, 5));
    TimingCheck width = check(CHECK_WIDTH, EDGE_POSEDGE);
    width.data_port.name = nullptr;
    cands = find_check_candidates(&width, chain(many));
    EXPECT_EQ(&many[599], cands[599]);
    EXPECT_EQ(nullptr, cands[600]);
}

TEST(CheckMatch, ChoiceAuditAndRepeatRun)
{
    char *buf = nullptr;
    size_t size = 0;
    FILE *audit = open_memstream(&buf, &size);
    std::vector<TimingCheck> input = {
        check(CHECK_SETUP, EDGE_NEGEDGE, 3, 0, "1"),
        check(CHECK_SETUPHOLD, EDGE_POSEDGE, 3, 0, "2", "3"),
        check(CHECK_SETUPHOLD, EDGE_POSEDGE, 3, 0, "4", "5"),
    };
    std::vector<TimingCheck> tmpl;
    for (int bit = 0; bit < 3; bit++)
        tmpl.push_back(check(CHECK_SETUP, EDGE_POSEDGE, bit, -1, "tSU"));
    tmpl.push_back(check(CHECK_HOLD, EDGE_NEGEDGE, 1, -1, "tHD"));
    CellInstance cell{};
    TimingCheck *result = remap_timing_checks(&cell, audit, chain(tmpl), chain(input));
    fclose(audit);
    EXPECT_EQ("--------\nSubstituting (SETUP D[0] (posedge CK) ...) for "
              "(SETUPHOLD D[3:0] (posedge CK) ...) \n"
              "because the setup portion of the SETUPHOLD matches the SETUP edge spec.\n"
              "scored   4 (SETUP D[3:0] (negedge CK) ...) \n"
              "scored  13 (SETUPHOLD D[3:0] (posedge CK) ...) \n"
              "  Repeated for bits [2:1]\n"
              "--------\nSubstituting (HOLD D[1] (negedge CK) ...) for "
              "(SETUPHOLD D[3:0] (posedge CK) ...) \n"
              "because a more specific HOLD match could not be found.\n"
              "scored   3 (SETUPHOLD D[3:0] (posedge CK) ...) \n",
              std::string(buf, size));
    free(buf);
    // Equal scores go to the earlier entry; a HOLD takes the hold value.
    EXPECT_STREQ("2", result->value1.typ);
    EXPECT_STREQ("3", result->value2.typ);
    EXPECT_STREQ("3", result->next->next->next->value1.typ);
    EXPECT_EQ(0, input[0].used);
    EXPECT_EQ(1, input[1].used);
    EXPECT_EQ(0, input[2].used);
    while (TimingCheck *done = result) {
        result = result->next;
        free(done);
    }
}

} // namespace
