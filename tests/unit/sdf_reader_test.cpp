#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "config/tdef.h"
#include "config/template.h"
#include "sdf/sdf_lexer.h"
#include "sdf/sdf_reader.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Readers and their records live until the process ends; the leak checker
// is told so while a test holds them.
struct KeepAllocations {
#ifdef __SANITIZE_ADDRESS__
    KeepAllocations() { __lsan_disable(); }
    ~KeepAllocations() { __lsan_enable(); }
#endif
};

// Replaces the registry for one test with template cells made by hand.
struct Registry {
    Registry() : saved(template_registry) { template_registry = nullptr; }
    ~Registry() { template_registry = saved; }
    CellInstance *add(const char *celltype, int timescale_ps = 0)
    {
        SdfReader *rd = sdf_reader_create(nullptr, "t.sdft", nullptr, nullptr, MODE_COLLECT, 1);
        CellInstance *cell = new CellInstance();
        cell->celltype = celltype;
        cell->reader = rd;
        rd->cells = cell;
        if (timescale_ps) {
            cell->defaults = new TimingDefaults();
            cell->defaults->timescale_ps = timescale_ps;
        }
        template_registry = new CellTemplate{template_registry, celltype, 0, rd};
        return cell;
    }
    KeepAllocations keep;
    CellTemplate *saved;
};

// One sdf_read over `text` as the file "in.sdf", with its output and messages.
struct Read {
    explicit Read(const std::string &text)
    {
        std::string path = testing::TempDir() + "kestrove_reader_" + std::to_string(getpid());
        FILE *f = fopen(path.c_str(), "wb");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        in = fopen(path.c_str(), "rb");
        unlink(path.c_str());
        out = tmpfile();
        testing::internal::CaptureStderr();
        cells = sdf_read("in.sdf", "out.sdf", in, out);
        messages = testing::internal::GetCapturedStderr();
    }
    ~Read()
    {
        fclose(in);
        fclose(out);
    }
    std::string output()
    {
        fflush(out);
        rewind(out);
        std::string s;
        for (int c; (c = getc(out)) != EOF;)
            s += static_cast<char>(c);
        return s;
    }
    KeepAllocations keep;
    FILE *in, *out;
    CellInstance *cells;
    std::string messages;
};

const char *const CELL_DFF = "(CELL (CELLTYPE \"DFF\") (INSTANCE x))";

TEST(SdfRead, CopiesUntemplatedCellsAndCollectsTheOthers)
{
    Registry reg;
    CellInstance *dff = reg.add("DFF");
    Read r("(DELAYFILE\n(SDFVERSION \"3.0\")\n(TIMESCALE 100 ps)\n"
           " (CELL (CELLTYPE \"BUF\") (INSTANCE b1) (DELAY (ABSOLUTE (IOPATH A Y (1:2:3)))))\n"
           "// between cells\n"
           "(CELL (CELLTYPE \"dff\") (INSTANCE top.u1)\n"
           "  (DELAY (ABSOLUTE (IOPATH (posedge CK) Q (1:2:3) (4:5:6)))))\n"
           ")  // end\nfoo (bar)\n");
    EXPECT_EQ("", r.messages);
    EXPECT_EQ("(DELAYFILE\n(SDFVERSION \"3.0\")\n(TIMESCALE 100 ps)\n (CELL\n"
              "    (CELLTYPE \"BUF\")\n (INSTANCE b1) (DELAY (ABSOLUTE (IOPATH A Y (1:2:3)))))",
              r.output());
    ASSERT_NE(nullptr, r.cells);
    EXPECT_EQ(nullptr, r.cells->next);
    EXPECT_STREQ("top.u1", r.cells->instance);
    EXPECT_EQ(dff->celltype, r.cells->celltype);
    EXPECT_EQ(dff, r.cells->template_cell);
    EXPECT_NE(nullptr, r.cells->iopaths);
    SdfReader *rd = r.cells->reader;
    EXPECT_EQ(2, rd->timescale_exp);
    EXPECT_EQ(r.cells, rd->cells);

    std::string copied = r.output();
    testing::internal::CaptureStderr();
    sdf_check_end(rd);
    EXPECT_EQ("in.sdf, line 9 - Error : Garbage at end of file\n",
              testing::internal::GetCapturedStderr());
    EXPECT_EQ(copied + "\n)  // end\nfoo (bar)\n", r.output());
}

TEST(SdfRead, HeaderValues)
{
    Registry reg;
    reg.add("DFF");
    struct Case {
        const char *header;
        int timescale_exp;
        char divider;
        const char *messages;
    } cases[] = {
        {"(TIMESCALE 100 ps)", 2, '.', ""},
        {"(TIMESCALE 1.0 us)", 6, '.', ""},
        {"(TIMESCALE 1 ms)", 3, '.',
         "in.sdf, line 1 - Error : Illegal timescale specifier, must be ps, ns or us.\n"},
        {"(TIMESCALE 1 ps) (TIMESCALE 5 NS)", 0, '.',
         "in.sdf, line 1 - Error : Illegal timescale specifier, must be ps, ns or us.\n"
         "in.sdf, line 1 - Error : Illegal timescale number, must be 1, 10 or 100\n"},
        {"(TIMESCALE 10ns) (DIVIDER /) (DIVIDER x)", 4, '/',
         "in.sdf, line 1 - Error : Illegal DIVIDER entry, must be '.' or '/'\n"},
        {"(SDFVERSION \"OVI 3.0\") (SDFVERSION \"4.0\")", 3, '.', ""},
        {"(SDFVERSION \"13.0\")(SDFVERSION \"1.3.0\")", 3, '.',
         "in.sdf, line 1 - Warning : Version string, \"13.0\" is ambiguous\n"
         "in.sdf, line 1 - Warning : Version string, \"1.3.0\" is ambiguous\n"},
    };
    for (const Case &c : cases) {
        Read r(std::string("(DELAYFILE ") + c.header + CELL_DFF + ")");
        ASSERT_NE(nullptr, r.cells) << c.header;
        EXPECT_EQ(c.timescale_exp, r.cells->reader->timescale_exp) << c.header;
        EXPECT_EQ(c.divider, r.cells->reader->divider) << c.header;
        EXPECT_EQ(c.messages, r.messages) << c.header;
        EXPECT_EQ(std::string("(DELAYFILE ") + c.header, r.output()) << c.header;
    }
    Read spaced("(DELAYFILE\n( /* c */ DESIGN \"a ( b\")(CELL (CELLTYPE \"DFF\") (INSTANCE x)))");
    EXPECT_EQ("(DELAYFILE\n(DESIGN \"a (b\")", spaced.output());
}

TEST(SdfRead, RejectedInputs)
{
    Registry reg;
    reg.add("DFF");
    struct Case {
        const char *text;
        const char *messages;
    } cases[] = {
        {"", "in.sdf, line 1 - Error : Expecting '('.  Bailing out\n\n"},
        {"/* only */\n", "in.sdf, line 2 - Error : Expecting '('.  Bailing out\n\n"},
        {"(DELAYFOO)", "in.sdf, line 1 - Error : Expected 'DELAYFILE'.  Bailing out\n\n"},
        {"(DELAYFILE\n(SDFVERSION \"2.2\")",
         "in.sdf, line 2 - Error : SDF file must be vesrion 2.1, 3.0 or 4.0\n"},
        {"(DELAYFILE (SDFVERSION \"3.0\")\n", "in.sdf, line 2 - Error : Premature end of file found.\n"},
        {"(DELAYFILE (CELL (CELLTYPE \"BUF\") (INSTANCE a))",
         "in.sdf, line 1 - Error : Premature end of file found.\n"},
        {"(DELAYFILE (CELL (INSTANCE a)", "in.sdf, line 1 - Error : Premature end of file found.\n"},
        {"(DELAYFILE (CELL (CELLTYPE \"DFF\") (INSTANCE a)",
         "in.sdf, line 1 - Error : Premature end of file found.\n"},
        {"(DELAYFILE (CELL (CELLTYPE \"DFF\") (DELAY (ABSOLUTE))))",
         "in.sdf, line 1 - Error : Cell DFF does not contain an instance\n"},
        {"(DELAYFILE (CELL (CELLTYPE \"DFF\") (INSTANCE a) x))",
         "in.sdf, line 1 - Error : Expected open bracket\n"},
        {"(DELAYFILE (CELL (CELLTYPE \"BUF\") (INSTANCE \"a\n\")))",
         "in.sdf, line 1 - Error : Unterminated string.\n\n"},
    };
    for (const Case &c : cases) {
        Read r(c.text);
        EXPECT_EQ(nullptr, r.cells) << c.text;
        EXPECT_EQ(c.messages, r.messages) << c.text;
    }
}

TEST(SdfRead, CellEntriesAndUnknownBlocks)
{
    Registry reg;
    reg.add("DFF");
    Read r("(DELAYFILE (CELL (CELLTYPE \"DFF\") (INSTANCE a.b[3]) (SITE x (y))\n"
           "  (CORRELATION 1 (2)) (INSTANCE c))\n"
           "( INCLUDE \"f(1).sdf\" (x)) (CELL (CELLTYPE \"DFF\") (INSTANCE)) stray\n"
           "(CELL (CELLTYPE \"DFF\") (INSTANCE *)))");
    EXPECT_EQ("in.sdf, line 1 - Warning : Unrecognised timing_spec entry\n"
              "in.sdf, line 3 - Warning : Unknown SDF block - skipping\n",
              r.messages);
    EXPECT_EQ("(DELAYFILE (INCLUDE \"f(1).sdf\" (x))", r.output());
    ASSERT_NE(nullptr, r.cells);
    ASSERT_NE(nullptr, r.cells->next);
    ASSERT_NE(nullptr, r.cells->next->next);
    EXPECT_STREQ("c", r.cells->instance);
    EXPECT_STREQ("", r.cells->next->instance);
    EXPECT_STREQ("*", r.cells->next->next->instance);
}

TEST(SdfRead, ScaleShiftsFromDefaultsUnits)
{
    Registry reg;
    CellInstance *cells[] = {reg.add("A", 1), reg.add("B", 10), reg.add("C", 1000),
                             reg.add("D", 5), reg.add("E")};
    cells[4]->scale_shift = 99;
    SdfReader *rd = sdf_reader_create(nullptr, "in.sdf", nullptr, nullptr, MODE_ECHO, 0);
    rd->timescale_exp = 2;
    sdf_set_scale_shifts(rd);
    int want[] = {-2, -1, 1, -1, 99};
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(want[i], cells[i]->scale_shift) << cells[i]->celltype;
}

} // namespace
