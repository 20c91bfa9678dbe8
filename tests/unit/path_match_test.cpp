#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/cond.h"
#include "config/prefs.h"
#include "config/tdef.h"
#include "remap/path_match.h"

namespace {

const int MAX = PATH_SCORE_MAX;

CondExpr name_node(const char *name)
{
    return CondExpr{COND_NAME, const_cast<char *>(name), nullptr};
}

// An IOPATH from A (with `edge`) to Y (bit `bit` or range bit:lsb).
PathEntry path(int edge, int bit = -1, int lsb = -1, const char *delay = nullptr)
{
    PathEntry p{};
    p.in_port = PortSpec{"A", -1, -1, edge};
    p.out_port = PortSpec{"Y", bit, lsb, EDGE_NONE};
    p.score = -1;
    for (ValueTriple &d : p.delays)
        d = ValueTriple{1, nullptr, nullptr, nullptr};
    p.delays[0] = ValueTriple{0, delay, delay, delay};
    p.delays[1] = p.delays[0];
    return p;
}

PathEntry *chain(std::vector<PathEntry> &paths)
{
    for (size_t i = 0; i + 1 < paths.size(); i++)
        paths[i].next = &paths[i + 1];
    return paths.empty() ? nullptr : &paths[0];
}

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

TEST(PathMatch, EdgeScoreTable)
{
    struct Case {
        int input_edge, tmpl_edge, score;
    } cases[] = {
        {EDGE_POSEDGE, EDGE_POSEDGE, MAX}, {EDGE_01, EDGE_POSEDGE, MAX},
        {EDGE_POSEDGE, EDGE_NEGEDGE, 1},   {EDGE_POSEDGE, EDGE_NONE, 1},
        {EDGE_01, EDGE_01, 1},             {EDGE_10, EDGE_NEGEDGE, MAX},
        {EDGE_0Z, EDGE_POSEDGE, 2},        {EDGE_Z1, EDGE_NEGEDGE, 0},
        {EDGE_Z0, EDGE_NEGEDGE, 2},        {EDGE_1Z, EDGE_NONE, 0},
        {EDGE_NONE, EDGE_NEGEDGE, 3},      {EDGE_NONE, EDGE_NONE, MAX},
        {EDGE_NONE, EDGE_Z1, MAX},
    };
    for (const Case &c : cases) {
        PathEntry tmpl = path(c.tmpl_edge), input = path(c.input_edge);
        EXPECT_EQ(c.score, path_edge_score(&tmpl, &input)) << c.input_edge << " " << c.tmpl_edge;
    }
    EXPECT_STREQ("the ports match and a better match could not be found.", path_score_reason(0));
    EXPECT_STREQ("the remapping process has become confused. Please contact\n"
                 "Brenlow technical support.",
                 path_score_reason(4));
    EXPECT_STREQ(path_score_reason(5), path_subscore_reason(5));
}

TEST(PathMatch, ConditionSubscores)
{
    CondExpr en = name_node("EN"), en2 = name_node("EN"), rst = name_node("RST");
    CondExpr a = name_node("A");
    CondExpr a_and_en{COND_AND, &a, &en2};
    PathEntry tmpl = path(EDGE_POSEDGE), input = path(EDGE_POSEDGE);
    EXPECT_EQ(2, condition_subscore(nullptr, &input, &tmpl));

    input.cond_text = const_cast<char *>("EN");
    input.cond = &en;
    EXPECT_EQ(0, condition_subscore(nullptr, &input, &tmpl));
    tmpl.cond_text = const_cast<char *>("RST");
    tmpl.cond = &rst;
    EXPECT_EQ(1, condition_subscore(nullptr, &input, &tmpl));

    // The rule's text matches apart from blanks; its template side equals
    // the template's condition even though the input's condition does not.
    CondExpr rst2 = name_node("RST");
    CondEqRule other{nullptr, &en2, "E N"};
    CondEqRule rule{&other, &rst2, " E\tN"};
    Preferences prefs{};
    prefs.condeq = &rule;
    EXPECT_EQ(4, condition_subscore(&prefs, &input, &tmpl));
    rule.condition = "EN ";
    EXPECT_EQ(1, condition_subscore(&prefs, &input, &tmpl));

    // A condition that starts by restating the input level counts for the rest.
    input.cond_text = const_cast<char *>("A && EN");
    input.cond = &a_and_en;
    input.cond_on_input = 2;
    tmpl.cond_text = const_cast<char *>("EN");
    tmpl.cond = &en;
    EXPECT_EQ(3, condition_subscore(nullptr, &input, &tmpl));
    input.cond_on_input = 1;
    tmpl.cond_on_input = 1;
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
    EXPECT_EQ(3, input[0].score);
    EXPECT_EQ(1, input[1].score);

    std::vector<PathEntry> many(300, path(EDGE_NONE));
    PathEntry plain = path(EDGE_NONE);
    cands = find_path_candidates(&plain, chain(many));
    EXPECT_EQ(&many[299], cands[299]);
    EXPECT_EQ(nullptr, cands[300]);
}

TEST(PathMatch, ChoiceByScoreThenSubscoreThenMeanDelay)
{
    Audit audit;
    std::vector<PathEntry> input = {path(EDGE_NONE), path(EDGE_POSEDGE)};
    PathEntry tmpl = path(EDGE_POSEDGE);
    PathEntry **cands = find_path_candidates(&tmpl, chain(input));
    EXPECT_EQ(&input[1], choose_iopath(audit.stream, nullptr, &tmpl, cands, 1));
    audit_path_substitution(audit.stream, nullptr, nullptr, PATH_AUDIT_FLUSH);

    CondExpr en = name_node("EN");
    std::vector<PathEntry> tied = {path(EDGE_NONE), path(EDGE_NONE), path(EDGE_NONE)};
    tied[0].cond_text = const_cast<char *>("EN");
    tied[0].cond = &en;
    tied[1].mean_delay[2] = 1.5;
    tied[2].mean_delay[2] = 2.5;
    tied[2].mean_delay[0] = 9;
    PathEntry plain = path(EDGE_NONE);
    cands = find_path_candidates(&plain, chain(tied));
    EXPECT_EQ(&tied[2], choose_iopath(audit.stream, nullptr, &plain, cands, 2));
    EXPECT_EQ(0, tied[0].subscore);
    tied[2].mean_delay[2] = 1.5;
    EXPECT_EQ(&tied[1], choose_iopath(audit.stream, nullptr, &plain, cands, 2));
    audit_path_substitution(audit.stream, nullptr, nullptr, PATH_AUDIT_FLUSH);

    EXPECT_EQ("--------\nSubstituting (IOPATH (posedge A) Y ...) for (IOPATH (posedge A) Y ...) \n"
              "because the two input edge specifications match exactly.\n"
              "scored   3 (IOPATH A Y ...) \n"
              "--------\nSubstituting (IOPATH A Y ...) for (IOPATH A Y ...) \n"
              "because the two input edge specifications match exactly.\n"
              "scored max (COND EN (IOPATH A Y ...) \n"
              "scored max (IOPATH A Y ...) \n"
              "---\nRefined because netither of the expressions were conditional (subscore 2)\n"
              "subscore 0 (COND EN (IOPATH A Y ...) \n"
              "subscore 2 (IOPATH A Y ...) \n"
              "---\nRefined because the mean delay was greater than the other candidates'"
              "--------\nSubstituting (IOPATH A Y ...) for (IOPATH A Y ...) \n"
              "because the two input edge specifications match exactly.\n"
              "scored max (COND EN (IOPATH A Y ...) \n"
              "scored max (IOPATH A Y ...) \n"
              "---\nRefined because netither of the expressions were conditional (subscore 2)\n"
              "subscore 0 (COND EN (IOPATH A Y ...) \n"
              "subscore 2 (IOPATH A Y ...) \n"
              "---\nRefined because the mean delay was greater than the other candidates'",
              audit.text());
}

TEST(PathMatch, OutputBusServesPerBitEntries)
{
    Audit audit;
    std::vector<PathEntry> input = {path(EDGE_POSEDGE, 3, 0, "4")};
    input[0].has_retain = 1;
    input[0].retain[0] = ValueTriple{0, "1", "1", "1"};
    std::vector<PathEntry> tmpl;
    for (int bit = 0; bit < 4; bit++)
        tmpl.push_back(path(EDGE_NONE, bit, -1, "tPD"));
    CellInstance cell{};
    PathEntry *result = remap_iopaths(&cell, audit.stream, chain(tmpl), chain(input), 0);
    EXPECT_EQ("--------\nSubstituting (IOPATH A Y[0] ...) for (IOPATH (posedge A) Y[3:0] ...) \n"
              "because the edge specification in the template could not be found\n"
              "anywhere in the SDF cell, but the ports match. (score 1)\n"
              "  Repeated for bits [3:1]\n",
              audit.text());
    for (int bit = 0; bit < 4; bit++, result = result->next) {
        EXPECT_EQ(bit, result->out_port.msb);
        EXPECT_STREQ("4", result->delays[1].min);
        EXPECT_EQ(1, result->has_retain);
        EXPECT_STREQ("1", result->retain[0].typ);
    }
    EXPECT_EQ(1, input[0].used);
}

TEST(PathMatch, UnmatchedEntriesFromDefaults)
{
    Audit audit;
    TimingParam fall{nullptr, "tF", 1500};
    TimingParam rise{&fall, "tR", 7};
    TimingDefaults defaults{};
    defaults.params = &rise;
    SdfReader reader{};
    reader.mode = MODE_COLLECT;
    CellInstance cell{};
    cell.celltype = "INV";
    cell.reader = &reader;
    cell.use_defaults = 1;
    cell.defaults = &defaults;
    cell.scale_shift = -3;
    PathEntry tmpl = path(EDGE_NONE, -1, -1, "tR");
    const char *names[6] = {"tR", "tR", "tF", "tR", "tX", "tX"};
    for (int i = 0; i < 6; i++)
        tmpl.delays[i] = ValueTriple{0, "m", names[i], "x"};
    tmpl.delays[5].absent = 1;

    testing::internal::CaptureStderr();
    PathEntry *result = remap_iopaths(&cell, audit.stream, &tmpl, nullptr, 0);
    cell.defaults = nullptr;
    PathEntry *missing = remap_iopaths(&cell, audit.stream, &tmpl, nullptr, 0);
    EXPECT_EQ("kestrove - Error : Timing patameter, \"tX\" not present in tdef file "
              "for cell \"INV\"\n"
              "kestrove - Error : Missing defaults data for celltype \"INV\"\n",
              testing::internal::GetCapturedStderr());

    EXPECT_STREQ("0.007", result->delays[1].min);
    EXPECT_STREQ("1.500", result->delays[2].max);
    EXPECT_STREQ("0.007", result->delays[3].typ);
    EXPECT_EQ(nullptr, result->delays[4].typ);
    EXPECT_STREQ("x", result->delays[5].max); // absent positions are left alone
    EXPECT_EQ(0, result->has_retain);
    EXPECT_EQ(nullptr, missing->delays[0].min);
    EXPECT_EQ("++++++++\nCouldn't find a match for IOPATH between A and Y\n"
              "Scanning defaults\n"
              "Found parameter \"tR\" in defaults file\n"
              "Found parameter \"tF\" in defaults file\n"
              "Found parameter \"tR\" in defaults file\n"
              "Parameter \"tX\" not present in defaults file\n"
              "++++++++\nCouldn't find a match for IOPATH between A and Y\n"
              "Unable to get replacement data from defaults file\n"
              "No timing information for this entry\n",
              audit.text());
}

} // namespace
