#include "test_util.h"

#include "sdf/sdf_reader.h"

namespace {

// Header values, the header errors reading survives, copied text, the
// collected cells and the scale shifts of the templates' defaults show in
// end-to-end runs; here: inputs that yield nothing.
TEST(SdfRead, RejectedInputs)
{
    Registry reg;
    reg.add("DFF");
    const std::string PREMATURE = "Error : Premature end of file found.\n";
    const std::string cases[][2] = {
        {"/* only */\n", "line 2 - Error : Expecting '('.  Bailing out\n\n"},
        {"(DELAYFOO)", "line 1 - Error : Expected 'DELAYFILE'.  Bailing out\n\n"},
        {"(DELAYFILE\n(SDFVERSION \"2.2\")", "line 2 - Error : SDF file must be vesrion 2.1, 3.0 or 4.0\n"},
        {"(DELAYFILE (SDFVERSION \"3.0\")\n", "line 2 - " + PREMATURE},
        {"(DELAYFILE (CELL (CELLTYPE \"BUF\") (INSTANCE a))", "line 1 - " + PREMATURE},
        {"(DELAYFILE (CELL (INSTANCE a)", "line 1 - " + PREMATURE},
        {"(DELAYFILE (CELL (CELLTYPE \"DFF\") (INSTANCE a)", "line 1 - Error : Expected open bracket\n"},
        {"(DELAYFILE (CELL (CELLTYPE \"DFF\") (INSTANCE a) x))", "line 1 - Error : Expected open bracket\n"},
        {"(DELAYFILE (CELL (CELLTYPE \"BUF\") (INSTANCE \"a\n\")))", "line 1 - Error : Unterminated string.\n\n"},
        // A path the lexer refuses is no end of input.
        {"(DELAYFILE (CELL (CELLTYPE \"DFF\") (INSTANCE a[x])))", "line 1 - Error : Illegal range specifier\n"},
        // A timing-check block without entries gives up its cell silently.
        {"(DELAYFILE (CELL (CELLTYPE \"DFF\") (INSTANCE a) (TIMINGCHECK )))", ""},
    };
    for (const auto &c : cases) {
        KeepAllocations keep;
        std::string text = c[0];
        FILE *in = fmemopen(&text[0], text.size(), "r");
        Scratch out;
        capture_stderr();
        EXPECT_EQ(nullptr, sdf_read("in.sdf", "out.sdf", in, out.f, reg.setup())) << text;
        EXPECT_EQ(c[1].empty() ? "" : "in.sdf, " + c[1], captured_stderr()) << text;
        fclose(in);
    }
}

// Each collected instance is linked to the template serving its own type,
// whichever template was registered first; copied cells are not collected.
TEST(SdfRead, InstancesLinkToTheirOwnTemplate)
{
    Registry reg;
    CellInstance *buf = reg.add("BUF");
    CellInstance *dff = reg.add("DFF");
    std::string text = "(DELAYFILE (CELL (CELLTYPE \"BUF\") (INSTANCE a))"
                       " (CELL (CELLTYPE \"INV\") (INSTANCE b))"
                       " (CELL (CELLTYPE \"dff\") (INSTANCE c)))";
    FILE *in = fmemopen(&text[0], text.size(), "r");
    Scratch out;
    CellInstance *cells = sdf_read("in.sdf", "out.sdf", in, out.f, reg.setup());
    fclose(in);
    ASSERT_NE(nullptr, cells);
    ASSERT_NE(nullptr, cells->next);
    EXPECT_EQ(nullptr, cells->next->next);
    EXPECT_STREQ("a", cells->instance);
    EXPECT_EQ(buf, cells->template_cell);
    EXPECT_STREQ("c", cells->next->instance);
    EXPECT_EQ(dff, cells->next->template_cell);
}

} // namespace
