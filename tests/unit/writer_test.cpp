#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "config/prefs.h"
#include "writer/writer.h"

namespace {

// Collects what a writer puts into a stream.
struct Capture {
    Capture() : out(tmpfile()) {}
    ~Capture() { fclose(out); }
    std::string text()
    {
        fflush(out);
        std::string s;
        rewind(out);
        int c;
        while ((c = fgetc(out)) != EOF)
            s += static_cast<char>(c);
        rewind(out);
        if (ftruncate(fileno(out), 0) != 0)
            ADD_FAILURE() << "cannot reset capture";
        return s;
    }
    FILE *out;
};

PortSpec port(const char *name, int msb = -1, int lsb = -1, int edge = EDGE_NONE)
{
    return PortSpec{name, msb, lsb, edge};
}

ValueTriple value(const char *min, const char *typ = nullptr, const char *max = nullptr)
{
    return ValueTriple{0, min, typ, max};
}

const ValueTriple absent_value = {1, nullptr, nullptr, nullptr};

void fill_delays(ValueTriple delays[6], std::initializer_list<ValueTriple> given)
{
    int i = 0;
    for (const ValueTriple &v : given)
        delays[i++] = v;
    for (; i < 6; i++)
        delays[i] = absent_value;
}

// An output-only reader, as the input reader looks while cells are written.
struct OutputReader {
    explicit OutputReader(int form)
    {
        memset(&rd, 0, sizeof rd);
        rd.out = capture.out;
        rd.mode = MODE_COLLECT;
        rd.triple_form = form;
    }
    Capture capture;
    SdfReader rd;
};

RemapResult result_named(const char *celltype, const char *instance)
{
    RemapResult r;
    memset(&r, 0, sizeof r);
    r.celltype = celltype;
    r.instance = instance;
    return r;
}

TEST(Writer, PortsAndValues)
{
    Capture c;
    const PortSpec ports[] = {port("CK", -1, -1, EDGE_POSEDGE), port("D", 3, -1, EDGE_POSEDGE),
                              port("Q", 7, 0), port("A", -1, -1, EDGE_Z0)};
    for (const PortSpec &p : ports)
        write_port(c.out, &p);
    EXPECT_EQ("(posedge CK)(posedge D[3])Q[7:0](z0 A)", c.text());

    ValueTriple all = value("1", "2", "3"), typ_only = value(nullptr, "2"),
                none = value(nullptr), min_only = value("0.5");
    write_value(FORM_TRIPLE, c.out, &all);
    write_value(FORM_TRIPLE, c.out, &typ_only);
    write_value(FORM_TRIPLE, c.out, &none);
    write_value(FORM_TRIPLE, c.out, &min_only);
    EXPECT_EQ("(1:2:3)(:2:)()(0.5::)", c.text());

    write_value(FORM_SINGLE, c.out, &min_only);
    write_value(FORM_SINGLE, c.out, &typ_only);
    write_value(FORM_SINGLE, c.out, &all);
    write_value(FORM_UNDECIDED, c.out, &none);
    write_value(FORM_UNDECIDED, c.out, &typ_only);
    EXPECT_EQ("(0.5)()(1)()()", c.text());
}

TEST(Writer, CellWithoutEntriesAndModeRestored)
{
    OutputReader o(FORM_SINGLE);
    RemapResult r = result_named("INV", "top.u1");
    PathDelay path = {nullptr, port("A"), {}};
    fill_delays(path.delays, {value("1")});
    r.paths = &path; // without IOPATH entries there is no DELAY block at all
    write_remapped_cell(&o.rd, &r, nullptr);
    EXPECT_EQ("\n  // CELL remapped by Brenlow kestrove tool\n\n"
              "  (CELL\n    (CELLTYPE \"INV\")\n    (INSTANCE top.u1)\n  )\n",
              o.capture.text());
    EXPECT_EQ(MODE_COLLECT, o.rd.mode);
}

TEST(Writer, DelayBlockLayout)
{
    OutputReader o(FORM_SINGLE);
    RemapResult r = result_named("DFF", "u1");
    PathDelay path = {nullptr, port("Q", 2), {}};
    fill_delays(path.delays, {value("1"), value(nullptr)});
    InterconnectDelay net = {nullptr, port("a/Y"), port("b/A"), {}};
    fill_delays(net.delays, {value("0.1")});
    PathEntry plain;
    memset(&plain, 0, sizeof plain);
    plain.in_port = port("CK", -1, -1, EDGE_POSEDGE);
    plain.out_port = port("Q", 2);
    fill_delays(plain.delays, {value("1"), value("2")});
    PathEntry cond = plain;
    cond.cond_text = const_cast<char *>("EN && B");
    cond.in_port = port("A");
    cond.has_retain = 1;
    fill_delays(cond.retain, {value("0.3")});
    plain.next = &cond;
    r.iopaths = &plain;
    r.paths = &path;
    r.interconnects = &net;

    write_delay_block(&o.rd, &r, nullptr);
    const std::string without_prefs = "    (DELAY\n      (ABSOLUTE\n"
                                      "      (PATH Q[2]  (1) ())\n"
                                      "      (IOPATH (posedge CK) Q[2] (1) (2))\n"
                                      "      (COND EN && B (IOPATH A Q[2] (1) (2)))\n"
                                      "      )\n    )\n";
    EXPECT_EQ(without_prefs, o.capture.text());

    Preferences prefs;
    memset(&prefs, 0, sizeof prefs);
    write_delay_block(&o.rd, &r, &prefs);
    EXPECT_EQ(without_prefs, o.capture.text());

    prefs.emit_mipd = 1;
    prefs.emit_retain = 1;
    write_delay_block(&o.rd, &r, &prefs);
    EXPECT_EQ("    (DELAY\n      (ABSOLUTE\n"
              "      (PATH Q[2]  (1) ())\n"
              "      (INTERCONNECT a/Y b/A  (0.1))\n"
              "      (IOPATH (posedge CK) Q[2] (1) (2))\n"
              "      (COND EN && B (IOPATH A Q[2] (RETAIN (0.3)) (1) (2)))\n"
              "      )\n    )\n",
              o.capture.text());
}

TEST(Writer, TimingCheckLayout)
{
    OutputReader o(FORM_TRIPLE);
    RemapResult r = result_named("DFF", "u1");
    TimingCheck setup;
    memset(&setup, 0, sizeof setup);
    setup.kind = CHECK_SETUP;
    setup.data_port = port("D", 3);
    setup.ref_port = port("CK", -1, -1, EDGE_POSEDGE);
    setup.value1 = value("1", "2", "3");
    setup.value2 = absent_value; // one-value kinds never write a second value
    TimingCheck hold = setup;
    hold.kind = CHECK_SETUPHOLD;
    hold.data_cond = "EN";
    hold.ref_cond = "RST";
    hold.value1 = value(nullptr);
    hold.value2 = value("4", nullptr, "6");
    TimingCheck width = setup;
    width.kind = CHECK_WIDTH;
    width.data_port = port(nullptr);
    width.ref_port = port("CK", -1, -1, EDGE_NEGEDGE);
    setup.next = &hold;
    hold.next = &width;
    r.checks = &setup;

    write_timing_checks(&o.rd, &r);
    EXPECT_EQ("    (TIMINGCHECK\n"
              "    (SETUP D[3] (posedge CK) (1:2:3))\n"
              "    (SETUPHOLD (COND EN D[3]) (COND RST (posedge CK)) () (4::6))\n"
              "    (WIDTH (negedge CK) (1:2:3))\n"
              "    )\n",
              o.capture.text());
}

TEST(WriterDeathTest, UnsupportedTemplateCheckIsFatal)
{
    for (int kind : {CHECK_NOCHANGE, CHECK_RECOVERY, CHECK_REMOVAL, CHECK_RECREM, CHECK_OTHER}) {
        OutputReader o(FORM_SINGLE);
        RemapResult r = result_named("LATCH", "u1");
        TimingCheck check;
        memset(&check, 0, sizeof check);
        check.kind = kind;
        check.data_port = port("D");
        check.ref_port = port("G");
        r.checks = &check;
        EXPECT_EXIT(write_timing_checks(&o.rd, &r), testing::ExitedWithCode(1),
                    "Fatal internal error 0000000f : Unsupported check type in template, "
                    "celltype \"LATCH\"");
    }
}

} // namespace
