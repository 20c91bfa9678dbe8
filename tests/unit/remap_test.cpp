#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/prefs.h"
#include "remap/remap.h"

namespace {

std::string read_back(FILE *f)
{
    fflush(f);
    rewind(f);
    std::string s;
    int c;
    while ((c = fgetc(f)) != EOF)
        s += static_cast<char>(c);
    return s;
}

struct Verbosity {
    explicit Verbosity(int v) : saved(msg_verbosity) { msg_verbosity = v; }
    ~Verbosity() { msg_verbosity = saved; }
    int saved;
};

TimingCheck check_of(int kind, const char *data, const char *ref, int ref_edge)
{
    TimingCheck c;
    memset(&c, 0, sizeof c);
    c.kind = kind;
    c.data_port = PortSpec{data, -1, -1, EDGE_NONE};
    c.ref_port = PortSpec{ref, -1, -1, ref_edge};
    return c;
}

PathEntry path_of(const char *in, int in_edge, const char *out, int msb = -1, int lsb = -1)
{
    PathEntry p;
    memset(&p, 0, sizeof p);
    p.in_port = PortSpec{in, -1, -1, in_edge};
    p.out_port = PortSpec{out, msb, lsb, EDGE_NONE};
    return p;
}

std::string check_text(const TimingCheck &c)
{
    FILE *f = tmpfile();
    print_check_entry(f, &c);
    std::string s = read_back(f);
    fclose(f);
    return s;
}

std::string path_text(const PathEntry &p)
{
    FILE *f = tmpfile();
    print_path_entry(f, &p);
    std::string s = read_back(f);
    fclose(f);
    return s;
}

TEST(RemapNotation, Checks)
{
    TimingCheck setup = check_of(CHECK_SETUP, "D", "CK", EDGE_POSEDGE);
    setup.data_port.msb = 3;
    EXPECT_EQ("(SETUP D[3] (posedge CK) ...) ", check_text(setup));

    setup.data_cond = "EN";
    setup.ref_cond = "RST";
    EXPECT_EQ("(SETUP (COND EN D[3]) (COND RST (posedge CK)) ...) ", check_text(setup));

    EXPECT_EQ("(NOCHANGE (posedge G) D ...) ",
              check_text(check_of(CHECK_NOCHANGE, "D", "G", EDGE_POSEDGE)));
    EXPECT_EQ("(WIDTH (negedge CK) ...) ",
              check_text(check_of(CHECK_WIDTH, nullptr, "CK", EDGE_NEGEDGE)));
    EXPECT_EQ("(RECREM RN CK ...) ", check_text(check_of(CHECK_RECREM, "RN", "CK", EDGE_NONE)));
    TimingCheck other;
    memset(&other, 0xff, sizeof other); // ports of unknown kinds are never read
    other.kind = CHECK_OTHER;
    EXPECT_EQ("(??? ...) ", check_text(other));
}

TEST(RemapNotation, Paths)
{
    PathEntry p = path_of("A", EDGE_NONE, "Y");
    EXPECT_EQ("(IOPATH A Y ...) ", path_text(p));
    p.cond_text = const_cast<char *>("EN");
    EXPECT_EQ("(COND EN (IOPATH A Y ...) ", path_text(p));
    EXPECT_EQ("(IOPATH (01 CK) Q[3:0] ...) ", path_text(path_of("CK", EDGE_01, "Q", 3, 0)));
}

struct Instance {
    Instance(const char *celltype, const char *path, char divider)
    {
        memset(&reader, 0, sizeof reader);
        reader.divider = divider;
        reader.triple_form = FORM_SINGLE;
        memset(&cell, 0, sizeof cell);
        cell.celltype = celltype;
        cell.instance = path;
        cell.reader = &reader;
    }
    SdfReader reader;
    CellInstance cell;
};

// A template with no entries leaves every input entry unused, whatever the
// matchers do, so the report is fully determined here.
TEST(RemapInstance, BannerAndUnusedReport)
{
    Verbosity v(1);
    CellInstance tmpl;
    memset(&tmpl, 0, sizeof tmpl);
    tmpl.celltype = "DFF";
    tmpl.instance = "core";
    Instance in("DFF", "top.u1", '.');
    PathEntry p1 = path_of("CK", EDGE_POSEDGE, "Q"), p2 = path_of("A", EDGE_NONE, "Q"),
              p3 = path_of("B", EDGE_NONE, "Q", 2);
    p1.next = &p2;
    p2.next = &p3;
    p3.cond_text = const_cast<char *>("A");
    in.cell.iopaths = &p1;
    PathDelay path = {};
    in.cell.paths = &path;

    FILE *audit = tmpfile();
    testing::internal::CaptureStderr();
    RemapResult *r = remap_instance(audit, &tmpl, &in.cell);
    EXPECT_EQ("kestrove - Warning : Instance \"top.u1\" contains unmapped IOPATH entries\n",
              testing::internal::GetCapturedStderr());
    EXPECT_EQ("\n"
              "************************************************************\n"
              "*\n* Remapping CELLTYPE \"DFF\"\n"
              "*\n* Instance \"top.u1\"\n"
              "*\n"
              "************************************************************\n\n"
              "\n--------\nThe following IOPATH entries were not used to match any templates:\n"
              "(IOPATH (posedge CK) Q ...) \n"
              "(IOPATH A Q ...) \n"
              "(COND A (IOPATH B Q[2] ...) \n",
              read_back(audit));
    fclose(audit);
    EXPECT_EQ(nullptr, r->next);
    EXPECT_STREQ("top.u1", r->instance);
    EXPECT_EQ(in.cell.celltype, r->celltype);
    EXPECT_EQ(nullptr, r->checks);
    EXPECT_EQ(nullptr, r->iopaths);
    EXPECT_EQ(&path, r->paths);
    free(r);
}

TEST(RemapInstance, PathTrailAndUsedEntries)
{
    Verbosity v(1);
    Preferences prefs;
    memset(&prefs, 0, sizeof prefs);
    prefs.pathtrails = 1;
    CellInstance tmpl;
    memset(&tmpl, 0, sizeof tmpl);
    tmpl.celltype = "DFF";
    tmpl.instance = "core";
    tmpl.prefs = &prefs;
    Instance in("DFF", "top/u1", '/');
    TimingCheck used = check_of(CHECK_SETUP, "D", "CK", EDGE_POSEDGE);
    used.used = 1;
    TimingCheck skew;
    memset(&skew, 0, sizeof skew);
    skew.kind = CHECK_OTHER;
    TimingCheck hold = check_of(CHECK_HOLD, "D", "CK", EDGE_POSEDGE);
    used.next = &skew;
    skew.next = &hold;
    in.cell.checks = &used;

    FILE *audit = tmpfile();
    testing::internal::CaptureStderr();
    RemapResult *r = remap_instance(audit, &tmpl, &in.cell);
    EXPECT_EQ("kestrove - Warning : Instance \"top/u1\" contains unmapped TIMINGCHECK entries\n",
              testing::internal::GetCapturedStderr());
    std::string log = read_back(audit);
    fclose(audit);
    EXPECT_NE(std::string::npos, log.find("* Instance \"top/u1\"\n"));
    EXPECT_NE(std::string::npos,
              log.find("The following TIMINGCHECK entries were not used to match any templates:\n"
                       "(??? ...) \n(HOLD D (posedge CK) ...) \n"));
    EXPECT_EQ(std::string::npos, log.find("IOPATH"));
    EXPECT_STREQ("top/u1/core", r->instance);
    free(const_cast<char *>(r->instance));
    free(r);
}

} // namespace
