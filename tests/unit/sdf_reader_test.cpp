#include "test_util.h"

#include "sdf/sdf_reader.h"

namespace {

// One sdf_read over `text` as the file "in.sdf", with its output and messages.
struct Read {
    explicit Read(const std::string &text) : text(text), in(fmemopen(&this->text[0], text.size(), "r"))
    {
        capture_stderr();
        cells = sdf_read("in.sdf", "out.sdf", in, out.f);
        messages = captured_stderr();
    }
    ~Read() { fclose(in); }
    KeepAllocations keep;
    std::string text;
    FILE *in;
    Scratch out;
    CellInstance *cells;
    std::string messages;
};

// Copying the header and untemplated cells shows in end-to-end runs.
TEST(SdfRead, CollectsTemplatedCellsAndReportsTrailingText)
{
    Registry reg;
    CellInstance *dff = reg.add("DFF");
    Read r("(DELAYFILE (TIMESCALE 100 ps)\n"
           "(CELL (CELLTYPE \"dff\") (INSTANCE top.u1) (DELAY (ABSOLUTE (IOPATH A Y (1)))))\n"
           "(CELL (CELLTYPE \"DFF\") (INSTANCE a.b[3]) (SITE x (y)) (INSTANCE c))\n"
           "(CELL (CELLTYPE \"DFF\") (INSTANCE)) stray (CELL (CELLTYPE \"DFF\") (INSTANCE *))\n"
           ")  // end\nfoo (bar)\n");
    EXPECT_EQ("in.sdf, line 3 - Warning : Unrecognised timing_spec entry\n", r.messages);
    std::string instances;
    for (CellInstance *cell = r.cells; cell; cell = cell->next)
        instances += cell->instance +
                     std::string(cell->template_cell == dff && cell->celltype == dff->celltype ? ";" : "?;");
    EXPECT_EQ("top.u1;c;;*;", instances); // a later INSTANCE wins
    ASSERT_TRUE(r.cells && r.cells->iopaths);
    SdfReader *rd = r.cells->reader;
    EXPECT_TRUE(rd->timescale_exp == 2 && rd->cells == r.cells);
    capture_stderr();
    sdf_check_end(rd);
    EXPECT_EQ("in.sdf, line 6 - Error : Garbage at end of file\n", captured_stderr());
    EXPECT_EQ("(DELAYFILE (TIMESCALE 100 ps)\n\n)  // end\nfoo (bar)\n", r.out.text());
}

TEST(SdfRead, HeaderValuesAndRejectedInputs)
{
    Registry reg;
    reg.add("DFF");
    const std::string X = "(CELL (CELLTYPE \"DFF\") (INSTANCE x)))";
    const std::string PREMATURE = "Error : Premature end of file found.\n";
    const struct {
        std::string text;
        const char *result; // timescale and divider, or null
        std::string messages;
        const char *output = nullptr;   // the header as copied, when not as read
    } cases[] = {
        {"(DELAYFILE ( /* c */ DESIGN \"a ( b\")(TIMESCALE 100 ps)" + X, "2 .", "",
         "(DELAYFILE (DESIGN \"a (b\")(TIMESCALE 100 ps)"},
        {"(DELAYFILE (TIMESCALE 1.0 us)" + X, "6 .", ""},
        {"(DELAYFILE (TIMESCALE 1 ms)" + X, "3 .",
         "line 1 - Error : Illegal timescale specifier, must be ps, ns or us.\n"},
        {"(DELAYFILE (TIMESCALE 1 ps) (TIMESCALE 5 NS)" + X, "0 .",
         "line 1 - Error : Illegal timescale specifier, must be ps, ns or us.\n"
         "in.sdf, line 1 - Error : Illegal timescale number, must be 1, 10 or 100\n"},
        {"(DELAYFILE (TIMESCALE 10ns) (DIVIDER /) (DIVIDER x)" + X, "4 /",
         "line 1 - Error : Illegal DIVIDER entry, must be '.' or '/'\n"},
        {"(DELAYFILE (SDFVERSION \"OVI 3.0\") (SDFVERSION \"4.0\") (INCLUDE \"f(1).sdf\" (x))" + X,
         "3 .", ""},
        {"(DELAYFILE (SDFVERSION \"13.0\")(SDFVERSION \"1.3.0\")" + X, "3 .",
         "line 1 - Warning : Version string, \"13.0\" is ambiguous\n"
         "in.sdf, line 1 - Warning : Version string, \"1.3.0\" is ambiguous\n"},
        {"/* only */\n", "null", "line 2 - Error : Expecting '('.  Bailing out\n\n"},
        {"(DELAYFOO)", "null", "line 1 - Error : Expected 'DELAYFILE'.  Bailing out\n\n"},
        {"(DELAYFILE\n(SDFVERSION \"2.2\")", "null",
         "line 2 - Error : SDF file must be vesrion 2.1, 3.0 or 4.0\n"},
        {"(DELAYFILE (SDFVERSION \"3.0\")\n", "null", "line 2 - " + PREMATURE},
        {"(DELAYFILE (CELL (CELLTYPE \"BUF\") (INSTANCE a))", "null", "line 1 - " + PREMATURE},
        {"(DELAYFILE (CELL (INSTANCE a)", "null", "line 1 - " + PREMATURE},
        {"(DELAYFILE (CELL (CELLTYPE \"DFF\") (INSTANCE a)", "null", "line 1 - " + PREMATURE},
        {"(DELAYFILE (CELL (CELLTYPE \"DFF\") (INSTANCE a) x))", "null",
         "line 1 - Error : Expected open bracket\n"},
        {"(DELAYFILE (CELL (CELLTYPE \"BUF\") (INSTANCE \"a\n\")))", "null",
         "line 1 - Error : Unterminated string.\n\n"},
        {"(DELAYFILE (CELL (CELLTYPE \"BUF\") (INSTANCE b)))", "null", ""}, // no cell to remap
    };
    for (const auto &c : cases) {
        Read r(c.text);
        EXPECT_EQ(c.messages.empty() ? "" : "in.sdf, " + c.messages, r.messages) << c.text;
        SdfReader *rd = r.cells ? r.cells->reader : nullptr;
        EXPECT_EQ(c.result, rd ? std::to_string(rd->timescale_exp) + " " + rd->divider : "null") << c.text;
        if (r.cells) {
            EXPECT_EQ(c.output ? c.output : c.text.substr(0, c.text.find("(CELL")), r.out.text()) << c.text;
        }
    }
}

TEST(SdfRead, ScaleShiftsFromDefaultsUnits)
{
    Registry reg;
    CellInstance *cells[] = {reg.add("A", 1), reg.add("B", 10), reg.add("C", 1000), reg.add("D", 5),
                             reg.add("E")};
    cells[4]->scale_shift = 99;
    SdfReader *rd = sdf_reader_create(nullptr, "in.sdf", nullptr, nullptr, MODE_ECHO, 0);
    rd->timescale_exp = 2;
    sdf_set_scale_shifts(rd);
    const int want[] = {-2, -1, 1, -1, 99};
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(want[i], cells[i]->scale_shift) << cells[i]->celltype;
}

} // namespace
