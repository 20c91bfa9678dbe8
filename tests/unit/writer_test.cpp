#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "writer/writer.h"

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

TEST(Writer, PortsAndValueForms)
{
    FILE *f = tmpfile();
    const PortSpec ports[] = {{"CK", -1, -1, EDGE_POSEDGE}, {"D", 3, -1, EDGE_POSEDGE},
                              {"Q", 7, 0, EDGE_NONE}, {"A", -1, -1, EDGE_Z0}};
    for (const PortSpec &p : ports)
        write_port(f, &p);
    EXPECT_EQ("(posedge CK)(posedge D[3])Q[7:0](z0 A)", written(f));

    const ValueTriple all = {0, "1", "2", "3"}, typ_only = {0, nullptr, "2", nullptr},
                      none = {0, nullptr, nullptr, nullptr}, min_only = {0, "0.5", nullptr, nullptr};
    f = tmpfile();
    for (const ValueTriple *v : {&all, &typ_only, &none, &min_only})
        write_value(FORM_TRIPLE, f, v);
    EXPECT_EQ("(1:2:3)(:2:)()(0.5::)", written(f));

    f = tmpfile();
    for (const ValueTriple *v : {&min_only, &typ_only, &all})
        write_value(FORM_SINGLE, f, v);
    for (const ValueTriple *v : {&none, &typ_only})
        write_value(FORM_UNDECIDED, f, v);
    EXPECT_EQ("(0.5)()(1)()()", written(f));
}

TEST(Writer, CheckPortsWithConditions)
{
    SdfReader rd;
    memset(&rd, 0, sizeof rd);
    rd.out = tmpfile();
    rd.triple_form = FORM_SINGLE;
    TimingCheck hold;
    memset(&hold, 0, sizeof hold);
    hold.kind = CHECK_SETUPHOLD;
    hold.data_port = {"D", 3, -1, EDGE_NONE};
    hold.ref_port = {"CK", -1, -1, EDGE_POSEDGE};
    hold.data_cond = "EN";
    hold.ref_cond = "RST";
    hold.value1 = {0, nullptr, nullptr, nullptr};
    hold.value2 = {0, "4", nullptr, nullptr};
    CellInstance result;
    memset(&result, 0, sizeof result);
    result.checks = &hold;
    write_timing_checks(&rd, &result);
    EXPECT_EQ("    (TIMINGCHECK\n"
              "    (SETUPHOLD (COND EN D[3]) (COND RST (posedge CK)) () (4))\n"
              "    )\n",
              written(rd.out));
}

} // namespace
