#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/tdef.h"
#include "remap/defaults_subst.h"
#include "support/messages.h"

namespace {

TEST(DefaultsSubst, DecimalPointShift)
{
    struct Case {
        long value;
        int shift;
        const char *text;
    } cases[] = {
        {5, 3, "5000"},      {5, 0, "5"},         {5, -1, "0.5"},      {5, -3, "0.005"},
        {12345, -3, "12.345"}, {1500, -3, "1.500"}, {123, -3, "0.123"},  {0, 2, "000"},
        {2, 11, "200000000000"}, {7, -11, "0.00000000007"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.text, defaults_value_text(c.value, c.shift)) << c.value << " " << c.shift;
}

struct DefaultsFromTdef : testing::Test {
    DefaultsFromTdef() : audit(open_memstream(&buf, &size)), saved_verbosity(msg_verbosity)
    {
        msg_verbosity = 1;
        reader.mode = MODE_COLLECT;
        defaults.params = &first;
        cell.celltype = "DFFR";
        cell.reader = &reader;
        cell.defaults = &defaults;
        cell.scale_shift = 3;
    }
    ~DefaultsFromTdef() override
    {
        fclose(audit);
        free(buf);
        msg_verbosity = saved_verbosity;
    }
    std::string audit_text()
    {
        fflush(audit);
        return std::string(buf, size);
    }
    char *buf = nullptr;
    size_t size = 0;
    FILE *audit;
    int saved_verbosity;
    TimingParam second{nullptr, "tB", 9};
    TimingParam first{&second, "tA", 2};
    TimingDefaults defaults{};
    SdfReader reader{};
    CellInstance cell{};
};

TEST_F(DefaultsFromTdef, FoundParameterSharesOneStoredText)
{
    ValueTriple v{1, "a", "tA", "c"};
    substitute_from_defaults(&v, &cell, audit, 1);
    EXPECT_STREQ("2000", v.typ);
    EXPECT_EQ(v.min, v.typ);
    EXPECT_EQ(v.max, v.typ);
    EXPECT_EQ(1, v.absent);

    ValueTriple quiet{0, nullptr, "tB", nullptr};
    substitute_from_defaults(&quiet, &cell, audit, 0);
    EXPECT_STREQ("9000", quiet.min);
    EXPECT_EQ("Found parameter \"tA\" in defaults file\n", audit_text());
}

TEST_F(DefaultsFromTdef, FailuresClearTheValue)
{
    ValueTriple zero{0, "x", "0", "y"};
    ValueTriple single{0, "tA", nullptr, nullptr};
    ValueTriple unknown{0, "tA", "ta", "tA"};
    ValueTriple unknown_quiet = unknown;
    testing::internal::CaptureStderr();
    substitute_from_defaults(&zero, &cell, audit, 0);
    substitute_from_defaults(&single, &cell, audit, 1);
    substitute_from_defaults(&unknown, &cell, audit, 1);
    substitute_from_defaults(&unknown_quiet, &cell, audit, 0);
    cell.defaults = nullptr;
    ValueTriple no_tdef{0, "tA", "tA", "tA"};
    substitute_from_defaults(&no_tdef, &cell, audit, 1);
    EXPECT_EQ("kestrove - Error : triple corrupt for cell, \"DFFR\"\n"
              "kestrove - Error : Timing patameter, \"ta\" not present in tdef file for cell "
              "\"DFFR\"\n"
              "kestrove - Error : Timing patameter, \"ta\" not present in tdef file for cell "
              "\"DFFR\"\n"
              "kestrove - Warning : tdef file for cell, \"DFFR\" not present\n",
              testing::internal::GetCapturedStderr());
    EXPECT_EQ("Passing explicit zero through unchanged\n"
              "Parameter \"ta\" not present in defaults file\n",
              audit_text());
    EXPECT_STREQ("x", zero.min);
    EXPECT_STREQ("y", zero.max);
    for (const ValueTriple *v : {&single, &unknown, &unknown_quiet, &no_tdef}) {
        EXPECT_EQ(nullptr, v->min);
        EXPECT_EQ(nullptr, v->typ);
        EXPECT_EQ(nullptr, v->max);
    }
}

} // namespace
