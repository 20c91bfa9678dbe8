#include "test_util.h"

#include "remap/remap.h"
#include "sdf/sdf_reader.h"

namespace {

// Two input entries tie on edge and condition; only the mean delay, read at
// the component the run compares (typ of triples, the single value
// otherwise), tells them apart. On a bus bit each refinement still gets its
// own paragraph.
TEST(Remap, MeanDelayTieBreakWithoutPreferences)
{
    Reader tmpl_text("(INSTANCE t) (DELAY (ABSOLUTE (IOPATH A Y[0] (tPD)))))", MODE_COLLECT, 1);
    ASSERT_TRUE(sdf_read_cell(tmpl_text.rd, "BUF"));
    CellInstance *tmpl = tmpl_text.rd->cells;
    const char *const inputs[][2] = {
        {"(IOPATH A Y[0] (1:5:1)) (IOPATH A Y[0] (9:3:9))", "5"}, // typ decides, not min or max
        {"(IOPATH A Y[0] (9:3:9)) (IOPATH A Y[0] (1:5:1))", "5"},
        {"(IOPATH A Y[0] (1)) (IOPATH A Y[0] (5))", "(5)"},
    };
    for (const auto &c : inputs) {
        Reader in(std::string("(INSTANCE u) (DELAY (ABSOLUTE ") + c[0] + ")))");
        ASSERT_TRUE(sdf_read_cell(in.rd, "BUF"));
        Scratch audit;
        RemapContext ctx(test_msg);
        Verbosity quiet(0);
        RemapResult *result = remap_instance(&ctx, audit.f, tmpl, in.rd->cells);
        const ValueTriple &won = result->iopaths->delays[0];
        EXPECT_EQ(c[1], won.typ ? won.typ : value_text(won)) << c[0];
        std::string log = audit.text();
        EXPECT_NE(std::string::npos, log.find("conditional (subscore 2)")) << log;
        EXPECT_NE(std::string::npos, log.find("mean delay was greater")) << log;
        remap_result_free(result, in.rd->cells);
    }
}

} // namespace
