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
        {5, 3, "5000"},       {5, 0, "5"},           {5, -1, "0.5"},        {5, -3, "0.005"},
        {12345, -3, "12.345"}, {1500, -3, "1.500"},  {123, -3, "0.123"},    {0, -2, "0.00"},
        {2, 11, "200000000000"}, {7, -11, "0.00000000007"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.text, defaults_value_text(c.value, c.shift)) << c.value << " " << c.shift;
}

TEST(DefaultsSubst, Outcomes)
{
    int saved_verbosity = msg_verbosity;
    msg_verbosity = 1;
    TimingParam second{nullptr, "tB", 9};
    TimingParam first{&second, "tA", 2};
    TimingDefaults defaults{};
    defaults.params = &first;
    SdfReader reader{};
    reader.mode = MODE_COLLECT;
    CellInstance cell{};
    cell.celltype = "DFFR";
    cell.reader = &reader;
    cell.defaults = &defaults;
    cell.scale_shift = 3;
    char *buf = nullptr;
    size_t size = 0;
    FILE *audit = open_memstream(&buf, &size);

    ValueTriple found{1, "a", "tA", "c"}, quiet{0, nullptr, "tB", nullptr};
    ValueTriple zero{0, "x", "0", "y"}, single{0, "tA", nullptr, nullptr};
    ValueTriple unknown{0, "tA", "ta", "tA"}, unknown_quiet = unknown, no_tdef = found;
    testing::internal::CaptureStderr();
    substitute_from_defaults(&found, &cell, audit, 1);
    substitute_from_defaults(&quiet, &cell, audit, 0);
    substitute_from_defaults(&zero, &cell, audit, 0);
    substitute_from_defaults(&single, &cell, audit, 1);
    substitute_from_defaults(&unknown, &cell, audit, 1);
    substitute_from_defaults(&unknown_quiet, &cell, audit, 0);
    cell.defaults = nullptr;
    substitute_from_defaults(&no_tdef, &cell, audit, 1);
    msg_verbosity = saved_verbosity;
    EXPECT_EQ("kestrove - Error : triple corrupt for cell, \"DFFR\"\n"
              "kestrove - Error : Timing patameter, \"ta\" not present in tdef file for cell "
              "\"DFFR\"\n"
              "kestrove - Error : Timing patameter, \"ta\" not present in tdef file for cell "
              "\"DFFR\"\n"
              "kestrove - Warning : tdef file for cell, \"DFFR\" not present\n",
              testing::internal::GetCapturedStderr());
    fclose(audit);
    EXPECT_EQ("Found parameter \"tA\" in defaults file\n"
              "Passing explicit zero through unchanged\n"
              "Parameter \"ta\" not present in defaults file\n",
              std::string(buf, size));
    free(buf);

    // One stored text serves all three components; `absent` is untouched.
    EXPECT_STREQ("2000", found.typ);
    EXPECT_EQ(found.min, found.typ);
    EXPECT_EQ(found.max, found.typ);
    EXPECT_EQ(1, found.absent);
    EXPECT_STREQ("9000", quiet.max);
    EXPECT_STREQ("x", zero.min);
    for (const ValueTriple *v : {&single, &unknown, &unknown_quiet, &no_tdef})
        EXPECT_TRUE(!v->min && !v->typ && !v->max);
    free(reader.store_block); // both stored texts fit in the first block
}

} // namespace
