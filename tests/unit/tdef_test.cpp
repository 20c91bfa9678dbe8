#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "config/tdef.h"

namespace {

// One read of a defaults text stored under a unique name; messages are
// compared with that name replaced by "a.tdef".
struct TdefRead {
    explicit TdefRead(const std::string &text)
    {
        std::string path =
            std::string(testing::TempDir()) + "kestrove_tdef_" + std::to_string(getpid());
        FILE *f = fopen(path.c_str(), "wb");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        testing::internal::CaptureStderr();
        defaults = tdef_read(path.c_str(), &status);
        messages = testing::internal::GetCapturedStderr();
        remove(path.c_str());
        for (size_t at; (at = messages.find(path)) != std::string::npos;)
            messages.replace(at, path.size(), "a.tdef");
    }
    ~TdefRead()
    {
        if (!defaults)
            return;
        testing::internal::CaptureStderr(); // freeing repeats the summary line
        tdef_free(defaults);
        testing::internal::GetCapturedStderr();
    }

    // "name=value ..." in list order.
    std::string params() const
    {
        std::string out;
        for (const TimingParam *p = defaults ? defaults->params : nullptr; p; p = p->next)
            out += (out.empty() ? "" : " ") + std::string(p->name) + "=" + std::to_string(p->value);
        return out;
    }

    TimingDefaults *defaults;
    int status;
    std::string messages;
};

TEST(TdefRead, TimesLineUnits)
{
    const struct {
        const char *text;
        int32_t timescale_ps;
    } cases[] = {
        {"times(1 NS)\n", 1000},
        {"TIMES (100 ps)", 100},
        {"Times(1ns)\n", 1000},
        {"TIMES ( 2 uS ) anything after the bracket\n", 2000000},
        {"# header\n\n  TIMES(10PS)\n", 10},
        {"TIMES \\\n(1 ns)\n", 1000},
        {"TIMES(2147483647 ps)\n", 2147483647},
    };
    for (const auto &c : cases) {
        TdefRead rd(c.text);
        ASSERT_EQ(TDEF_OK, rd.status) << c.text;
        EXPECT_EQ(c.timescale_ps, rd.defaults->timescale_ps) << c.text;
        EXPECT_EQ("", rd.params()) << c.text;
        EXPECT_EQ("", rd.messages) << c.text;
    }
}

TEST(TdefRead, TimesLineFailures)
{
    const struct {
        const char *text;
        int status;
        const char *message; // the error; the summary line follows it
    } cases[] = {
        {"", TDEF_NOT_DEFAULTS, "a.tdef, line 1 - Error : Expecting TIMES(timescale)"},
        {"# comments only\n", TDEF_NOT_DEFAULTS, "a.tdef, line 2 - Error : Expecting TIMES(timescale)"},
        {"a = 5\n", TDEF_NOT_DEFAULTS, "a.tdef, line 1 - Error : Expecting TIMES(timescale)"},
        {"(1 ns)\n", TDEF_NOT_DEFAULTS, "a.tdef, line 1 - Error : Expecting TIMES(timescale)"},
        {"TIMES 1 ns)\n", TDEF_CORRUPT, "a.tdef, line 1 - Error : Missing ("},
        {"TIMES\n(1 ns)\n", TDEF_CORRUPT, "a.tdef, line 1 - Error : Missing ("},
        {"TIMES(ns)\n", TDEF_CORRUPT, "a.tdef, line 1 - Error : Expecting timescale number"},
        {"TIMES(1 ms)\n", TDEF_CORRUPT, "a.tdef, line 1 - Error : Unrecognised timescale, ms"},
        {"TIMES(1 nsec)\n", TDEF_CORRUPT, "a.tdef, line 1 - Error : Invalid timescale unit, nsec"},
        {"TIMES(1.5 ns)\n", TDEF_CORRUPT, "a.tdef, line 1 - Error : Invalid timescale unit, ."},
        {"TIMES(10\n", TDEF_CORRUPT, "a.tdef, line 1 - Error : Invalid timescale unit, 10"},
        {"\n\nTIMES(1 ns\n", TDEF_CORRUPT, "a.tdef, line 3 - Error : Missing )"},
        {"TIMES(2147483648 ps)\n", TDEF_CORRUPT, "a.tdef, line 1 - Error : Expecting timescale number"},
        {"TIMES(3000 us)\n", TDEF_CORRUPT, "a.tdef, line 1 - Error : Expecting timescale number"},
    };
    for (const auto &c : cases) {
        TdefRead rd(c.text);
        EXPECT_EQ(nullptr, rd.defaults) << c.text;
        EXPECT_EQ(c.status, rd.status) << c.text;
        EXPECT_EQ(std::string(c.message) + "\na.tdef : 1 error\n", rd.messages) << c.text;
    }
}

TEST(TdefRead, MissingFile)
{
    int status = TDEF_OK;
    testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, tdef_read("no/such.tdef", &status));
    EXPECT_EQ(TDEF_NOT_FOUND, status);
    EXPECT_EQ("no/such.tdef - Error : File open failed\nno/such.tdef : 1 error\n",
              testing::internal::GetCapturedStderr());
}

TEST(TdefRead, ParametersAndArithmetic)
{
    TdefRead scaled("TIMES(10 ps)\ntpd_a = 12\ntpd_a += 3\n");
    ASSERT_EQ(TDEF_OK, scaled.status);
    EXPECT_EQ(10, scaled.defaults->timescale_ps);
    EXPECT_EQ("tpd_a=15", scaled.params());

    TdefRead newest_first("TIMES(1 ns)\nx = 1\n\n# gap\ny=2\nz\t=\t3 # note\n");
    EXPECT_EQ("z=3 y=2 x=1", newest_first.params());
    EXPECT_EQ(2, tdef_find(newest_first.defaults, "y")->value);
    EXPECT_EQ(nullptr, tdef_find(newest_first.defaults, "Y"));
    EXPECT_EQ(nullptr, tdef_find(newest_first.defaults, "w"));

    TdefRead split_operators("TIMES(1 ns)\na = 1\na + = 2\na - \\\n= 1\na += 5 6 ignored\n");
    ASSERT_EQ(TDEF_OK, split_operators.status);
    EXPECT_EQ("a=7", split_operators.params());
    EXPECT_EQ("", split_operators.messages);

    // Negative values survive the arithmetic and are zeroed at the end, at
    // the line where reading stopped.
    TdefRead zeroed("TIMES(1 ns)\nb = 4\na = 5\na += 2\na -= 10\nb -= 5\n");
    ASSERT_EQ(TDEF_OK, zeroed.status);
    EXPECT_EQ("a=0 b=0", zeroed.params());
    EXPECT_EQ("a.tdef, line 7 - Warning : Negative value -3 not allowed for parameter a, zeroing.\n"
              "a.tdef, line 7 - Warning : Negative value -1 not allowed for parameter b, zeroing.\n"
              "a.tdef : 2 warnings\n",
              zeroed.messages);

    TdefRead limits("TIMES(1 ns)\nbig = 2147483647\nlow = 0\nlow -= 2147483647\nlow -= 1");
    ASSERT_EQ(TDEF_OK, limits.status);
    EXPECT_EQ("low=0 big=2147483647", limits.params());
}

TEST(TdefRead, ParameterErrorsMakeTheFileCorrupt)
{
    const struct {
        const char *lines; // behind the TIMES line, which is line 1
        const char *messages;
    } cases[] = {
        {"a = 5\na = 6\n", "a.tdef, line 3 - Error : Timing parameter a already declared\n"},
        {"b += 1\nb = 1\n", "a.tdef, line 2 - Error : Timing parameter b not declared\n"},
        {"a = 5 6\n", "a.tdef, line 2 - Error : Extra text after entry - 6\n"},
        {"a = -5\n", "a.tdef, line 2 - Error : Expecting numeric value for timing parameter, a\n"},
        {"a == 5\n", "a.tdef, line 2 - Error : Expecting numeric value for timing parameter, a\n"},
        {"5 = 1\n", "a.tdef, line 2 - Error : Expecting timing name\n"},
        {"a\n", "a.tdef, line 2 - Error : Expecting =, += or -=\n"},
        {"a b 1\n", "a.tdef, line 2 - Error : Expecting =, += or -=\n"},
        {"a + 1\n", "a.tdef, line 2 - Error : Expecting =, += or -=\n"},
        {"a = 2147483648\n",
         "a.tdef, line 2 - Error : Expecting numeric value for timing parameter, a\n"},
        {"a = 2147483647\na += 1\n",
         "a.tdef, line 3 - Error : Expecting numeric value for timing parameter, a\n"},
        {"a = 0\na -= 2147483647\na -= 2\n",
         "a.tdef, line 4 - Error : Expecting numeric value for timing parameter, a\n"},
    };
    for (const auto &c : cases) {
        TdefRead rd(std::string("TIMES(1 ns)\n") + c.lines);
        EXPECT_EQ(nullptr, rd.defaults) << c.lines;
        EXPECT_EQ(TDEF_CORRUPT, rd.status) << c.lines;
        EXPECT_EQ(std::string(c.messages) + "a.tdef : 1 error\n", rd.messages) << c.lines;
    }

    // Every faulty line is reported; a warning alone would not be fatal.
    TdefRead two("TIMES(1 ns)\nx = \\\n 1 2\ny += 1\nz = 1 \\ junk\n\n");
    EXPECT_EQ(TDEF_CORRUPT, two.status);
    EXPECT_EQ("a.tdef, line 3 - Error : Extra text after entry - 2\n"
              "a.tdef, line 4 - Error : Timing parameter y not declared\n"
              "a.tdef, line 5 - Warning : Unexpected characters after '\\' (ignored)\n"
              "a.tdef : 1 warning, 2 errors\n",
              two.messages);
}

} // namespace
