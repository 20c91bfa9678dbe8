#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "remap/remap.h"

namespace {

std::string written(FILE *f)
{
    fflush(f);
    rewind(f);
    std::string s;
    for (int c; (c = fgetc(f)) != EOF;)
        s += static_cast<char>(c);
    fclose(f);
    return s;
}

std::string check_text(int kind, const char *data, const char *ref, const char *data_cond = nullptr,
                       const char *ref_cond = nullptr)
{
    TimingCheck c;
    memset(&c, 0, sizeof c);
    c.kind = kind;
    c.data_port = {data, data ? 3 : -1, -1, EDGE_NONE};
    c.ref_port = {ref, -1, -1, EDGE_POSEDGE};
    c.data_cond = data_cond;
    c.ref_cond = ref_cond;
    FILE *f = tmpfile();
    print_check_entry(f, &c);
    return written(f);
}

TEST(RemapNotation, Checks)
{
    EXPECT_EQ("(SETUP D[3] (posedge CK) ...) ", check_text(CHECK_SETUP, "D", "CK"));
    EXPECT_EQ("(SETUP (COND EN D[3]) (COND RST (posedge CK)) ...) ",
              check_text(CHECK_SETUP, "D", "CK", "EN", "RST"));
    EXPECT_EQ("(NOCHANGE (posedge G) D[3] ...) ", check_text(CHECK_NOCHANGE, "D", "G"));
    EXPECT_EQ("(WIDTH (posedge CK) ...) ", check_text(CHECK_WIDTH, nullptr, "CK"));

    TimingCheck other; // ports of unknown kinds are never read, so never printed
    memset(&other, 0xff, sizeof other);
    other.kind = CHECK_OTHER;
    FILE *f = tmpfile();
    print_check_entry(f, &other);
    EXPECT_EQ("(??? ...) ", written(f));
}

TEST(RemapNotation, PathsLeaveTheCondOpen)
{
    PathEntry p;
    memset(&p, 0, sizeof p);
    p.in_port = {"CK", -1, -1, EDGE_01};
    p.out_port = {"Q", 3, 0, EDGE_NONE};
    FILE *f = tmpfile();
    print_path_entry(f, &p);
    p.cond_text = const_cast<char *>("EN");
    print_path_entry(f, &p);
    EXPECT_EQ("(IOPATH (01 CK) Q[3:0] ...) (COND EN (IOPATH (01 CK) Q[3:0] ...) ", written(f));
}

} // namespace
