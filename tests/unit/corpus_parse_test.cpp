// Every cell of every real-world file in the shared corpus is parsed as if
// its cell type had a template. A cell either parses, or fails with one of
// the messages for constructs the tool rejects by design.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "sdf/sdf_lexer.h"
#include "sdf/sdf_reader.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace {

struct CorpusResult {
    int cells = 0;
    int failed_cells = 0;
    int iopaths = 0;
    int conds = 0;
    int checks = 0;
    int interconnects = 0;
    std::set<std::string> errors;   // message texts without their origin
    std::set<std::string> warnings;
    CellInstance *last = nullptr; // the reader's last cell so far
};

// Header entries are passed over; the divider must be known before the
// cells, since it belongs to identifiers.
void read_header_entry(SdfReader *rd, const char *keyword, int len)
{
    if (sdf_is_keyword("DIVIDER", keyword, len)) {
        int dlen;
        char *divider = sdf_keyword(rd, &dlen);
        if (divider && dlen == 1)
            rd->divider = *divider;
    }
    sdf_skip_entry(rd);
}

// Parses the cell after "(CELL"; after a failure, reading goes on at the
// next "(CELL", wherever the failed parse left off.
void read_cell(SdfReader *rd, CorpusResult *result)
{
    int len = 0;
    char *open = sdf_next_char(rd);
    char *keyword = open && *open == '(' ? sdf_keyword(rd, &len) : nullptr;
    if (!sdf_is_keyword("CELLTYPE", keyword, len))
        return;
    char *name = sdf_quoted(rd, &len);
    if (!name)
        return;
    const char *celltype = sdf_store(name, len, rd);
    sdf_skip_entry(rd);
    result->cells++;
    int ok = sdf_read_cell(rd, celltype);
    CellInstance *cell = result->last ? result->last->next : rd->cells;
    result->last = cell;
    if (!ok) {
        result->failed_cells++;
        return;
    }
    for (PathEntry *e = cell->iopaths; e; e = e->next) {
        result->iopaths++;
        result->conds += e->cond_text != nullptr;
    }
    for (TimingCheck *c = cell->checks; c; c = c->next)
        result->checks++;
    for (InterconnectDelay *i = cell->interconnects; i; i = i->next)
        result->interconnects++;
}

void collect_messages(const std::string &err, CorpusResult *result)
{
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);) {
        size_t at;
        if ((at = line.find(" - Error : ")) != std::string::npos)
            result->errors.insert(line.substr(at + 11));
        else if ((at = line.find(" - Warning : ")) != std::string::npos)
            result->warnings.insert(line.substr(at + 13));
    }
}

CorpusResult parse_corpus_file(const std::string &path)
{
    CorpusResult result;
    FILE *in = fopen(path.c_str(), "r");
    if (!in) {
        result.errors.insert("cannot open");
        return result;
    }
#ifdef __SANITIZE_ADDRESS__
    __lsan_disable(); // the records are kept until the process ends
#endif
    SdfReader *rd = sdf_reader_create(in, path.c_str(), nullptr, nullptr, MODE_COLLECT, 0);
    testing::internal::CaptureStderr();
    bool in_cell_section = false;
    for (char *c; (c = sdf_next_char(rd));) {
        if (*c != '(')
            continue;
        int len;
        char *keyword = sdf_keyword(rd, &len);
        if (sdf_is_keyword("CELL", keyword, len)) {
            in_cell_section = true;
            read_cell(rd, &result);
        } else if (!in_cell_section && keyword && !sdf_is_keyword("DELAYFILE", keyword, len)) {
            read_header_entry(rd, keyword, len);
        }
    }
    collect_messages(testing::internal::GetCapturedStderr(), &result);
#ifdef __SANITIZE_ADDRESS__
    __lsan_enable();
#endif
    fclose(in);
    return result;
}

// Rejected by design: a negative first component (delays and checks), a
// deltype other than ABSOLUTE first in a DELAY block (INCREMENT, PATHPULSE,
// PATHPULSEPERCENT), and a single value in a file that began with min:typ:max.
const char *const NEGATIVE_DELAY = "Malformed IOPATH";
const char *const NEGATIVE_CHECK = "Malformed triple";
const char *const NOT_ABSOLUTE = "Only ABSOLUTE delays supported";
const char *const MIXED_FORMS = "Expecting ':'";
// PORT, DEVICE and PATHPULSE entries inside ABSOLUTE.
const char *const UNKNOWN_DELAY_ENTRY = "Unknown entry in DELAY block, skipping";

struct Expected {
    const char *file;
    std::set<std::string> errors;
    std::set<std::string> warnings;
    // Entry counts of the files that parse whole (an independent count of
    // the corpus gives the same numbers).
    int iopaths, conds, checks, interconnects;
};

TEST(CorpusParse, EveryCellParsesOrMeetsADeliberateRejection)
{
    const Expected expected[] = {
        {"caravel-pt__caravel_clocking.tt.sdf", {}, {}, 720, 0, 492, 791},
        {"caravel-sta__caravel_clocking.tt.sdf", {NEGATIVE_CHECK}, {}, 0, 0, 0, 0},
        {"caravel-sta__chip_io.tt.sdf", {}, {}, 1413, 1325, 88, 9919},
        {"caravel-sta__gpio_control_block.tt.nom.sdf", {NEGATIVE_CHECK}, {}, 0, 0, 0, 0},
        {"caravel-sta__spare_logic_block.tt.sdf", {}, {}, 33, 0, 12, 69},
        {"ect-quartus__TrafficLights_7_1200mv_85c_vhd_slow.sdf", {}, {UNKNOWN_DELAY_ENTRY}, 483, 0, 60, 0},
        {"f4pga-sdf__fixpoint.sdf", {}, {}, 4, 4, 0, 0},
        {"f4pga-sdf__modulo6.sdf", {NEGATIVE_CHECK}, {}, 0, 0, 0, 0},
        {"f4pga-sdf__test1.sdf", {}, {}, 26, 0, 0, 0},
        {"f4pga-sdf__timings_hx1k.sdf", {NEGATIVE_CHECK}, {}, 0, 0, 0, 0},
        {"fir-innovus__myfir.sdf", {NEGATIVE_CHECK}, {}, 0, 0, 0, 0},
        {"hwfifo-vivado__fifo.sdf", {NEGATIVE_CHECK, NOT_ABSOLUTE}, {}, 0, 0, 0, 0},
        {"ise-netgen__carry_chains_timesim.sdf", {NOT_ABSOLUTE}, {UNKNOWN_DELAY_ENTRY}, 0, 0, 0, 0},
        {"ise-netgen__clock_mmcm_timesim.sdf", {NOT_ABSOLUTE, MIXED_FORMS}, {UNKNOWN_DELAY_ENTRY}, 0, 0, 0, 0},
        {"ise-netgen__inference_map.sdf", {NEGATIVE_CHECK, NOT_ABSOLUTE}, {UNKNOWN_DELAY_ENTRY}, 0, 0, 0, 0},
        {"iverilog__br960a.sdf", {}, {}, 2, 0, 0, 0},
        {"iverilog__br_ml20190814.sdf", {NOT_ABSOLUTE}, {}, 0, 0, 0, 0},
        {"iverilog__pr2972866.sdf", {}, {}, 2, 0, 0, 0},
        {"iverilog__sdf_esc_id.sdf", {}, {}, 2, 0, 0, 0},
        {"iverilog__sdf_interconnect3.sdf", {}, {}, 12, 0, 0, 13},
        {"kyupy__gates.sdf", {}, {}, 15, 9, 0, 0},
        {"opensta__example1.sdf", {}, {}, 6, 0, 9, 10},
        {"opensta__sdf_cond_pathpulse.sdf", {}, {UNKNOWN_DELAY_ENTRY}, 11, 0, 16, 6},
        {"opensta__sdf_test5_incr.sdf", {NOT_ABSOLUTE}, {}, 0, 0, 0, 0},
        {"prjxray-db__CLBLL_L.sdf", {NEGATIVE_CHECK}, {}, 0, 0, 0, 0},
        {"prjxray-db__slicem.sdf", {NEGATIVE_CHECK}, {UNKNOWN_DELAY_ENTRY}, 0, 0, 0, 0},
        {"ufo-diamond__UFO_impl1_mapvho.sdf", {NEGATIVE_CHECK}, {}, 0, 0, 0, 0},
        {"ufo-icecube__test_sbt.sdf", {NEGATIVE_CHECK, NEGATIVE_DELAY}, {}, 0, 0, 0, 0},
    };
    for (const Expected &e : expected) {
        SCOPED_TRACE(e.file);
        CorpusResult r = parse_corpus_file(std::string(KESTROVE_SHARED_DIR) + "/corpus/sdf/" + e.file);
        EXPECT_EQ(e.errors, r.errors);
        EXPECT_EQ(e.warnings, r.warnings);
        EXPECT_GT(r.cells, 0);
        EXPECT_EQ(e.errors.empty(), r.failed_cells == 0);
        if (e.errors.empty()) {
            EXPECT_EQ(e.iopaths, r.iopaths);
            EXPECT_EQ(e.conds, r.conds);
            EXPECT_EQ(e.checks, r.checks);
            EXPECT_EQ(e.interconnects, r.interconnects);
        }
    }
}

} // namespace
