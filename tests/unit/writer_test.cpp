#include "test_util.h"

#include "writer/writer.h"

namespace {

// Cells, paths and values of both forms show in the end-to-end output files.
TEST(Writer, CheckConditionsAndSingleValues)
{
    Scratch out;
    SdfReader rd{};
    rd.out = out.f;
    rd.triple_form = FORM_SINGLE;
    TimingCheck hold = make_check(CHECK_SETUPHOLD, EDGE_POSEDGE, 3, -1, nullptr, "4");
    hold.data_cond = "EN";
    hold.ref_cond = "RST";
    hold.value1.typ = "2"; // a single value is its min
    CellInstance result{};
    result.checks = &hold;
    write_timing_checks(&rd, &result);
    EXPECT_EQ("    (TIMINGCHECK\n    (SETUPHOLD (COND EN D[3]) (COND RST (posedge CK)) () (4))\n    )\n",
              out.text());
}

} // namespace
