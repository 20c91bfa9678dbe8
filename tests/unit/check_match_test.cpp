#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/tdef.h"
#include "remap/check_match.h"
#include "support/messages.h"

namespace {

const int MAX = CHECK_SCORE_MAX;

PortSpec port(const char *name, int edge = EDGE_NONE, int msb = -1, int lsb = -1)
{
    return PortSpec{name, msb, lsb, edge};
}

ValueTriple value(const char *text)
{
    return ValueTriple{0, text, text, text};
}

// A check on data port D (bit `bit`) against reference port CK.
TimingCheck check(int kind, int ref_edge, int bit = -1, int lsb = -1,
                  const char *v1 = nullptr, const char *v2 = nullptr)
{
    TimingCheck c{};
    c.kind = kind;
    c.ref_port = port("CK", ref_edge);
    c.data_port = port("D", EDGE_NONE, bit, lsb);
    c.score = -1;
    c.value1 = value(v1);
    c.value2 = value(v2);
    return c;
}

TimingCheck *chain(std::vector<TimingCheck> &checks)
{
    for (size_t i = 0; i + 1 < checks.size(); i++)
        checks[i].next = &checks[i + 1];
    return checks.empty() ? nullptr : &checks[0];
}

// The audit log as a string.
struct Audit {
    Audit() : stream(open_memstream(&buf, &size)) {}
    ~Audit()
    {
        fclose(stream);
        free(buf);
    }
    std::string text()
    {
        fflush(stream);
        return std::string(buf, size);
    }
    char *buf = nullptr;
    size_t size = 0;
    FILE *stream;
};

TEST(CheckMatch, ScoreTable)
{
    struct Case {
        int tmpl_kind, tmpl_edge, input_kind, input_edge, score;
    } cases[] = {
        {CHECK_SETUP, EDGE_POSEDGE, CHECK_SETUP, EDGE_01, MAX},
        {CHECK_SETUP, EDGE_POSEDGE, CHECK_SETUP, EDGE_NEGEDGE, 4},
        {CHECK_SETUP, EDGE_POSEDGE, CHECK_SETUP, EDGE_NONE, 9},
        {CHECK_SETUP, EDGE_NONE, CHECK_SETUP, EDGE_NONE, MAX},
        {CHECK_SETUP, EDGE_Z1, CHECK_SETUPHOLD, EDGE_POSEDGE, 13},
        {CHECK_SETUP, EDGE_NEGEDGE, CHECK_SETUPHOLD, EDGE_NONE, 8},
        {CHECK_SETUP, EDGE_POSEDGE, CHECK_NOCHANGE, EDGE_NONE, -1},
        {CHECK_SETUP, EDGE_NONE, CHECK_RECOVERY, EDGE_NONE, 11},
        {CHECK_SETUP, EDGE_1Z, CHECK_RECREM, EDGE_10, 10},
        {CHECK_SETUP, EDGE_POSEDGE, CHECK_HOLD, EDGE_POSEDGE, -1},
        {CHECK_SETUP, EDGE_POSEDGE, CHECK_REMOVAL, EDGE_POSEDGE, -1},
        // HOLD without an edge prefers a falling-edge HOLD.
        {CHECK_HOLD, EDGE_NONE, CHECK_HOLD, EDGE_NEGEDGE, 9},
        {CHECK_HOLD, EDGE_NONE, CHECK_HOLD, EDGE_POSEDGE, 4},
        // HOLD favours the opposite edge of a NOCHANGE.
        {CHECK_HOLD, EDGE_POSEDGE, CHECK_NOCHANGE, EDGE_NEGEDGE, 12},
        {CHECK_HOLD, EDGE_POSEDGE, CHECK_NOCHANGE, EDGE_POSEDGE, 2},
        {CHECK_HOLD, EDGE_NEGEDGE, CHECK_REMOVAL, EDGE_Z0, 11},
        {CHECK_HOLD, EDGE_POSEDGE, CHECK_RECOVERY, EDGE_POSEDGE, -1},
        {CHECK_SETUPHOLD, EDGE_POSEDGE, CHECK_SETUPHOLD, EDGE_NEGEDGE, -1},
        {CHECK_SETUPHOLD, EDGE_NEGEDGE, CHECK_SETUPHOLD, EDGE_NONE, 1},
        {CHECK_SETUPHOLD, EDGE_POSEDGE, CHECK_SETUP, EDGE_POSEDGE, -1},
        {CHECK_WIDTH, EDGE_POSEDGE, CHECK_WIDTH, EDGE_NEGEDGE, 0},
        {CHECK_PERIOD, EDGE_NONE, CHECK_PERIOD, EDGE_NONE, MAX},
        {CHECK_PERIOD, EDGE_NONE, CHECK_WIDTH, EDGE_NONE, -1},
        // Template kinds the table has no rows for match nothing.
        {CHECK_NOCHANGE, EDGE_POSEDGE, CHECK_NOCHANGE, EDGE_POSEDGE, -1},
        {CHECK_RECREM, EDGE_NONE, CHECK_RECREM, EDGE_NONE, -1},
    };
    for (const Case &c : cases) {
        TimingCheck tmpl = check(c.tmpl_kind, c.tmpl_edge);
        TimingCheck input = check(c.input_kind, c.input_edge);
        EXPECT_EQ(c.score, check_match_score(&tmpl, &input))
            << c.tmpl_kind << "/" << c.tmpl_edge << " vs " << c.input_kind << "/" << c.input_edge;
    }
}

TEST(CheckMatch, ReasonLookup)
{
    EXPECT_STREQ("the setup portion of the SETUPHOLD matches the SETUP edge spec",
                 check_score_reason(CHECK_SETUP, 13));
    EXPECT_STREQ("a HOLD with no edge spec is a superset of the template HOLD spec",
                 check_score_reason(CHECK_HOLD, 9));
    EXPECT_STREQ("the edge specs don't match, but nothing better could be found",
                 check_score_reason(CHECK_PERIOD, 0));
    EXPECT_STREQ("the ports and active edge specs match perfectly",
                 check_score_reason(CHECK_WIDTH, MAX));
    EXPECT_STREQ("(reason unknown)", check_score_reason(CHECK_SETUP, 7));
    EXPECT_STREQ("(reason unknown)", check_score_reason(CHECK_SETUPHOLD, 0));
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
        check(CHECK_SETUP, EDGE_POSEDGE, 3, 0),     // range covers bit 2
        check(CHECK_SETUP, EDGE_POSEDGE, 2),        // the bit itself
        check(CHECK_SETUP, EDGE_POSEDGE, 1, 0),     // range below the bit
        check(CHECK_HOLD, EDGE_POSEDGE, 2),         // kind cannot stand in
        check(CHECK_OTHER, EDGE_NONE),              // no ports: ignored
        check(CHECK_SETUPHOLD, EDGE_NEGEDGE, 2),
    };
    input[4].ref_port.name = nullptr;
    input[4].data_port.name = nullptr;
    TimingCheck other_clock = check(CHECK_SETUP, EDGE_POSEDGE, 2);
    other_clock.ref_port.name = "CLK";
    input.push_back(other_clock);
    TimingCheck tmpl = check(CHECK_SETUP, EDGE_POSEDGE, 2);

    TimingCheck **cands = find_check_candidates(&tmpl, chain(input));
    ASSERT_EQ(&input[0], cands[0]);
    ASSERT_EQ(&input[1], cands[1]);
    ASSERT_EQ(&input[5], cands[2]);
    EXPECT_EQ(nullptr, cands[3]);
    EXPECT_EQ(MAX, input[0].score);
    EXPECT_EQ(3, input[5].score);
    EXPECT_EQ(-1, input[3].score);

    // A WIDTH template has no data port, so any data port of the input is
    // ignored, and the array grows past its first 256 entries.
    std::vector<TimingCheck> many(600, check(CHECK_WIDTH, EDGE_NONE, 5));
    TimingCheck width = check(CHECK_WIDTH, EDGE_POSEDGE);
    width.data_port.name = nullptr;
    cands = find_check_candidates(&width, chain(many));
    EXPECT_EQ(&many[599], cands[599]);
    EXPECT_EQ(nullptr, cands[600]);
}

TEST(CheckMatch, ChoiceAndScoreLines)
{
    Audit audit;
    std::vector<TimingCheck> input = {
        check(CHECK_SETUP, EDGE_NEGEDGE, -1, -1, "1"),
        check(CHECK_SETUPHOLD, EDGE_POSEDGE, -1, -1, "2", "3"),
    };
    TimingCheck tmpl = check(CHECK_SETUP, EDGE_POSEDGE);
    TimingCheck **cands = find_check_candidates(&tmpl, chain(input));
    EXPECT_EQ(&input[1], choose_timing_check(audit.stream, &tmpl, cands));
    EXPECT_EQ(1, audit_check_substitution(audit.stream, nullptr, nullptr, 1));
    EXPECT_EQ(0, audit_check_substitution(audit.stream, nullptr, nullptr, 1));
    EXPECT_EQ("--------\nSubstituting (SETUP D (posedge CK) ...) for "
              "(SETUPHOLD D (posedge CK) ...) \n"
              "because the setup portion of the SETUPHOLD matches the SETUP edge spec.\n"
              "scored   4 (SETUP D (negedge CK) ...) \n",
              audit.text());

    // Equal top scores: the earlier entry wins; a MAX stops the search.
    std::vector<TimingCheck> equal = {
        check(CHECK_SETUP, EDGE_NONE), check(CHECK_SETUP, EDGE_NONE),
        check(CHECK_SETUP, EDGE_POSEDGE), check(CHECK_SETUP, EDGE_POSEDGE),
    };
    cands = find_check_candidates(&tmpl, chain(equal));
    cands[2] = nullptr;
    EXPECT_EQ(&equal[0], choose_timing_check(audit.stream, &tmpl, cands));
    cands = find_check_candidates(&tmpl, chain(equal));
    EXPECT_EQ(&equal[2], choose_timing_check(audit.stream, &tmpl, cands));
    audit_check_substitution(audit.stream, nullptr, nullptr, 1);
}

TEST(CheckMatch, BusBitsFoldIntoOneParagraph)
{
    Audit audit;
    std::vector<TimingCheck> input = {check(CHECK_SETUP, EDGE_POSEDGE, 3, 0, "5")};
    std::vector<TimingCheck> tmpl;
    for (int bit = 0; bit < 4; bit++)
        tmpl.push_back(check(CHECK_SETUP, EDGE_POSEDGE, bit, -1, "tSU"));
    CellInstance cell{};
    TimingCheck *result = remap_timing_checks(&cell, audit.stream, chain(tmpl), chain(input));
    EXPECT_EQ("--------\nSubstituting (SETUP D[0] (posedge CK) ...) for "
              "(SETUP D[3:0] (posedge CK) ...) \n"
              "because the ports and active edge specs match perfectly.\n"
              "  Repeated for bits [3:1]\n",
              audit.text());
    for (int bit = 0; bit < 4; bit++, result = result->next) {
        EXPECT_EQ(bit, result->data_port.msb);
        EXPECT_STREQ("5", result->value1.typ);
    }
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ(1, input[0].used);
}

TEST(CheckMatch, ValuesCarriedAndSplitSetuphold)
{
    Audit audit;
    std::vector<TimingCheck> input = {
        check(CHECK_SETUPHOLD, EDGE_POSEDGE, -1, -1, "0.2", "0.1"),
        check(CHECK_SETUP, EDGE_NEGEDGE, -1, -1, "0.4"),
    };
    std::vector<TimingCheck> tmpl = {
        check(CHECK_HOLD, EDGE_POSEDGE, -1, -1, "tHD"),
        check(CHECK_SETUPHOLD, EDGE_NEGEDGE, -1, -1, "tSU", "tHD"),
    };
    CellInstance cell{};
    TimingCheck *result = remap_timing_checks(&cell, audit.stream, chain(tmpl), chain(input));
    EXPECT_STREQ("0.1", result->value1.typ);
    EXPECT_EQ(CHECK_SETUPHOLD, result->next->kind);
    EXPECT_STREQ("0.4", result->next->value1.typ);
    EXPECT_STREQ("0.1", result->next->value2.typ);
    EXPECT_EQ("--------\nSubstituting (HOLD D (posedge CK) ...) for "
              "(SETUPHOLD D (posedge CK) ...) \n"
              "because the setup portion of the SETUPHOLD matches the HOLD edge spec.\n"
              "\n--------\n(SETUPHOLD D (negedge CK) ...) \n"
              "Could not find an appropriate SETUPHOLD mapping for this entry.\n"
              "Splitting into SETUP and HOLD entries and trying each individually.\n"
              "--------\nSubstituting (SETUP D (negedge CK) ...) for (SETUP D (negedge CK) ...) \n"
              "because the ports and active edge specs match perfectly.\n"
              "scored   3 (SETUPHOLD D (posedge CK) ...) \n"
              "--------\nSubstituting (HOLD D (negedge CK) ...) for "
              "(SETUPHOLD D (posedge CK) ...) \n"
              "because a more specific HOLD match could not be found.\n",
              audit.text());
}

TEST(CheckMatch, UnmatchedEntries)
{
    Audit audit;
    TimingParam param{nullptr, "tW", 2};
    TimingDefaults defaults{};
    defaults.params = &param;
    SdfReader reader{};
    reader.mode = MODE_COLLECT;
    CellInstance cell{};
    cell.celltype = "DFFR";
    cell.reader = &reader;
    cell.use_defaults = 1;
    cell.scale_shift = 3;
    std::vector<TimingCheck> tmpl = {
        check(CHECK_SETUP, EDGE_POSEDGE, -1, -1, "0"),
        check(CHECK_WIDTH, EDGE_POSEDGE, -1, -1, "tW"),
    };
    tmpl[1].data_port.name = nullptr;

    testing::internal::CaptureStderr();
    TimingCheck *no_tdef = remap_timing_checks(&cell, audit.stream, chain(tmpl), nullptr);
    cell.defaults = &defaults;
    TimingCheck *with_tdef = remap_timing_checks(&cell, audit.stream, &tmpl[1], nullptr);
    cell.use_defaults = 0;
    TimingCheck *disabled = remap_timing_checks(&cell, audit.stream, &tmpl[1], nullptr);
    EXPECT_EQ("kestrove - Error : Missing defaults data for celltype \"DFFR\"\n"
              "kestrove - Error : Missing data for celltype \"DFFR\" "
              "(try turning TDEF support on)\n",
              testing::internal::GetCapturedStderr());

    EXPECT_STREQ("0", no_tdef->value1.typ);
    EXPECT_EQ(nullptr, no_tdef->next->value1.min);
    EXPECT_STREQ("2000", with_tdef->value1.max);
    EXPECT_EQ(nullptr, disabled->value1.typ);
    EXPECT_EQ("\n--------\nExplicit zero in timing check entry: (SETUP D (posedge CK) ...) \n"
              "Passing through unchanged.\n"
              "\n--------\nUnable to match timing check: (WIDTH (posedge CK) ...) \n"
              "Unable to get replacement data from defaults file\n"
              "No timing information for this entry\n"
              "\n--------\nUnable to match timing check: (WIDTH (posedge CK) ...) \n"
              "Scanning defaults\nFound parameter \"tW\" in defaults file\n"
              "\n--------\nUnable to match timing check: (WIDTH (posedge CK) ...) \n"
              "Defaults file was disabled\nNo timing information for this entry\n",
              audit.text());
}

} // namespace
