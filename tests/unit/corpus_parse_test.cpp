// Every cell of every real-world file in the shared corpus, and of the
// project's own samples, is parsed as if its cell type had a template. A cell
// either parses, or fails with one of the messages for constructs the tool
// rejects by design.
#include "test_util.h"

#include <cstring>
#include <sys/stat.h>
#include <set>
#include <sstream>

#include "sdf/sdf_reader.h"

namespace {

// The rejections by design, by code: a negative first component of a check
// (C) or of a delay (D), a deltype other than ABSOLUTE first in a DELAY block
// (A), a single value in a file that began with min:typ:max (M); and the
// warning for PORT, DEVICE and PATHPULSE entries inside ABSOLUTE (u).
const std::pair<char, const char *> KNOWN[] = {
    {'A', " - Error : Only ABSOLUTE delays supported"}, {'C', " - Error : Malformed triple"},
    {'D', " - Error : Malformed IOPATH"}, {'M', " - Error : Expecting ':'"},
    {'u', " - Warning : Unknown entry in DELAY block, skipping"}};

// The codes of the messages, then every other message line in full.
std::string message_codes(const std::string &err)
{
    std::set<char> codes;
    std::string others;
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);) {
        bool known = line.empty();
        for (const auto &k : KNOWN) {
            size_t n = strlen(k.second);
            if (line.size() > n && line.compare(line.size() - n, n, k.second) == 0) {
                codes.insert(k.first);
                known = true;
            }
        }
        if (!known)
            others += " [" + line + "]";
    }
    return std::string(codes.begin(), codes.end()) + others;
}

// The message codes; for a file whose cells all parse, the numbers of
// IOPATHs, conditional IOPATHs, checks and INTERCONNECTs. After a failure
// reading goes on at the next "(CELL", wherever the failed parse left off.
std::string parse_corpus_file(const std::string &path)
{
    FILE *in = fopen(path.c_str(), "r");
    if (!in)
        return "cannot open";
    KeepAllocations keep;
    SdfReader *rd = sdf_reader_create(in, path.c_str(), nullptr, nullptr, MODE_COLLECT, 0);
    CellInstance *last = nullptr;
    int cells = 0, failed = 0, counts[4] = {};
    bool in_cells = false;
    capture_stderr();
    for (char c; sdf_next_char(rd, &c);) {
        SdfToken keyword{nullptr, 0};
        if (c == '(')
            (void)sdf_keyword(rd, &keyword);
        if (!in_cells && keyword.text && !sdf_is_keyword("CELL", keyword.text, keyword.len) &&
            !sdf_is_keyword("DELAYFILE", keyword.text, keyword.len)) {
            // Header entries are passed over; the divider belongs to identifiers.
            SdfToken divider{nullptr, 0};
            if (sdf_is_keyword("DIVIDER", keyword.text, keyword.len) &&
                sdf_keyword(rd, &divider) && divider.len == 1)
                rd->divider = *divider.text;
            (void)sdf_skip_entry(rd);
            continue;
        }
        if (!sdf_is_keyword("CELL", keyword.text, keyword.len))
            continue;
        in_cells = true;
        SdfToken name{nullptr, 0};
        if (!sdf_next_char(rd, &c) || c != '(' || !sdf_keyword(rd, &keyword) ||
            !sdf_is_keyword("CELLTYPE", keyword.text, keyword.len) || !sdf_quoted(rd, &name))
            continue;
        const char *celltype = sdf_store(name.text, name.len, rd);
        (void)sdf_skip_entry(rd);
        cells++;
        bool ok = sdf_read_cell(rd, celltype);
        CellInstance *cell = last = last ? last->next : rd->cells;
        failed += !ok;
        for (PathEntry *e = ok ? cell->iopaths : nullptr; e; e = e->next, counts[0]++)
            counts[1] += e->cond_text != nullptr;
        for (TimingCheck *t = ok ? cell->checks : nullptr; t; t = t->next)
            counts[2]++;
        for (InterconnectDelay *i = ok ? cell->interconnects : nullptr; i; i = i->next)
            counts[3]++;
    }
    std::string result = message_codes(captured_stderr());
    fclose(in);
    if (cells == 0 || failed)
        return result + (cells ? "" : " no cells");
    for (int count : counts)
        result += " " + std::to_string(count);
    return result;
}

TEST(CorpusParse, ProjectSamplesParseOrMeetADeliberateRejection)
{
    // Counted by hand from the samples as written.
    const char *const expected[][2] = {
        {"crlf_ends.sdf", " 3 1 2 0"}, {"escaped_names.sdf", " 4 0 4 2"},
        {"header_forms.sdf", " 11 2 6 3"}, {"long_lines.sdf", " 49 0 0 40"},
        {"rejected.sdf", "ACu"},
    };
    for (const auto &e : expected)
        EXPECT_EQ(e[1], parse_corpus_file(std::string(KESTROVE_TEST_DIR) + "/samples/" + e[0])) << e[0];
}

TEST(CorpusParse, EveryCellParsesOrMeetsADeliberateRejection)
{
    const std::string folder = std::string(KESTROVE_SHARED_DIR) + "/corpus/sdf/";
    struct stat st;
    if (stat(folder.c_str(), &st) != 0)
        GTEST_SKIP() << "no shared SDF corpus at " << folder << "; only the project's samples were parsed";
    // Entry counts of the files that parse whole agree with an independent
    // count of the corpus.
    const char *const expected[][2] = {
        {"caravel-pt__caravel_clocking.tt.sdf", " 720 0 492 791"},
        {"caravel-sta__caravel_clocking.tt.sdf", "C"}, {"caravel-sta__chip_io.tt.sdf", " 1413 1325 88 9919"},
        {"caravel-sta__gpio_control_block.tt.nom.sdf", "C"},
        {"caravel-sta__spare_logic_block.tt.sdf", " 33 0 12 69"},
        {"ect-quartus__TrafficLights_7_1200mv_85c_vhd_slow.sdf", "u 483 0 60 0"},
        {"f4pga-sdf__fixpoint.sdf", " 4 4 0 0"}, {"f4pga-sdf__modulo6.sdf", "C"},
        {"f4pga-sdf__test1.sdf", " 26 0 0 0"}, {"f4pga-sdf__timings_hx1k.sdf", "C"},
        {"fir-innovus__myfir.sdf", "C"}, {"hwfifo-vivado__fifo.sdf", "AC"},
        {"ise-netgen__carry_chains_timesim.sdf", "Au"}, {"ise-netgen__clock_mmcm_timesim.sdf", "AMu"},
        {"ise-netgen__inference_map.sdf", "ACu"}, {"iverilog__br960a.sdf", " 2 0 0 0"},
        {"iverilog__br_ml20190814.sdf", "A"}, {"iverilog__pr2972866.sdf", " 2 0 0 0"},
        {"iverilog__sdf_esc_id.sdf", " 2 0 0 0"}, {"iverilog__sdf_interconnect3.sdf", " 12 0 0 13"},
        {"kyupy__gates.sdf", " 15 9 0 0"}, {"opensta__example1.sdf", " 6 0 9 10"},
        {"opensta__sdf_cond_pathpulse.sdf", "u 11 0 16 6"}, {"opensta__sdf_test5_incr.sdf", "A"},
        {"prjxray-db__CLBLL_L.sdf", "C"}, {"prjxray-db__slicem.sdf", "Cu"},
        {"ufo-diamond__UFO_impl1_mapvho.sdf", "C"}, {"ufo-icecube__test_sbt.sdf", "CD"},
    };
    for (const auto &e : expected)
        EXPECT_EQ(e[1], parse_corpus_file(folder + e[0])) << e[0];
}

} // namespace
