#include "test_util.h"

#include "config/tdef.h"

namespace {

// The timescale in ps and the parameters, newest first ("1000: b=2 a=1"),
// or the status; the messages name the file "a.tdef".
std::string read_tdef(const std::string &text, std::string *messages)
{
    TempFile file(text);
    int status;
    capture_stderr();
    TimingDefaults *d = tdef_read(file.path.c_str(), test_msg, &status);
    *messages = file.renamed(captured_stderr(), "a.tdef");
    if (!d)
        return status == TDEF_CORRUPT ? "corrupt" : status == TDEF_NOT_DEFAULTS ? "not defaults" : "?";
    std::string out = std::to_string(d->timescale_ps) + ":";
    for (const TimingParam *p = d->params; p; p = p->next)
        out += " " + std::string(p->name) + "=" + std::to_string(p->value);
    const TimingParam *y = tdef_find(d, "y");
    out += y ? " y found" : "";
    tdef_free(d);
    return out;
}

TEST(TdefRead, TimesLineParametersAndStatuses)
{
    const char *const NUMERIC = "Error : Expecting numeric value for timing parameter, a";
    const struct {
        const char *text;
        const char *result;
        std::string messages; // "line ..." stands for that error and the summary line
    } cases[] = {
        {"times(1 NS)\n", "1000:", ""}, {"TIMES ( 2 uS ) anything after the bracket\n", "2000000:", ""},
        {"# header\n\n  TIMES(10PS)\n", "10:", ""}, {"TIMES(2147483647 ps)\n", "2147483647:", ""},
        {"TIMES(1 ns)\nx = 1\n\n# gap\ny=2\nz\t=\t3 # note\nY = 4", "1000: Y=4 z=3 y=2 x=1 y found", ""},
        {"TIMES(1 ns)\na = 1\na + = 2\na - \\\n= 1\na += 5 6 ignored\n", "1000: a=7", ""},
        // Negative values survive the arithmetic and are zeroed at the end, at
        // the line where reading stopped.
        {"TIMES(1 ns)\nb = 4\na = 5\na += 2\na -= 10\nb -= 5\n", "1000: a=0 b=0",
         "a.tdef, line 7 - Warning : Negative value -3 not allowed for parameter a, zeroing.\n"
         "a.tdef, line 7 - Warning : Negative value -1 not allowed for parameter b, zeroing.\n"
         "a.tdef : 2 warnings\n"},
        {"TIMES(1 ns)\nbig = 2147483647\nlow = 0\nlow -= 2147483647\nlow -= 1", "1000: low=0 big=2147483647",
         "a.tdef, line 5 - Warning : Negative value -2147483648 not allowed for parameter low, zeroing.\n"
         "a.tdef : 1 warning\n"},
        // Zero, read or reached, is no negative value.
        {"TIMES(1 ns)\nz = 0\nw = 3\nw -= 3\n", "1000: w=0 z=0", ""},
        {"", "not defaults", "line 1 - Error : Expecting TIMES(timescale)"},
        {"# comments only\n", "not defaults", "line 2 - Error : Expecting TIMES(timescale)"},
        {"a = 5\n", "not defaults", "line 1 - Error : Expecting TIMES(timescale)"},
        {"TIMEX(1 ns)\n", "not defaults", "line 1 - Error : Expecting TIMES(timescale)"}, // as long as TIMES
        {"TIMES 1 ns)\n", "corrupt", "line 1 - Error : Missing ("}, // a character, but not '('
        {"TIMES\n(1 ns)\n", "corrupt", "line 1 - Error : Missing ("},
        {"TIMES(ns)\n", "corrupt", "line 1 - Error : Expecting timescale number"},
        {"TIMES(1 ms)\n", "corrupt", "line 1 - Error : Unrecognised timescale, ms"},
        {"TIMES(1 nsec)\n", "corrupt", "line 1 - Error : Invalid timescale unit, nsec"},
        {"TIMES(1.5 ns)\n", "corrupt", "line 1 - Error : Invalid timescale unit, ."},
        {"TIMES(10\n", "corrupt", "line 1 - Error : Invalid timescale unit, 10"},
        {"\n\nTIMES(1 ns\n", "corrupt", "line 3 - Error : Missing )"},
        {"TIMES(2147483648 ps)\n", "corrupt", "line 1 - Error : Expecting timescale number"},
        {"TIMES(3000 us)\n", "corrupt", "line 1 - Error : Expecting timescale number"},
        {"TIMES(1 ns)\nb += 1\nb = 1\n", "corrupt", "line 2 - Error : Timing parameter b not declared"},
        {"TIMES(1 ns)\na = 5 6\n", "corrupt", "line 2 - Error : Extra text after entry - 6"},
        {"TIMES(1 ns)\na = -5\n", "corrupt", std::string("line 2 - ") + NUMERIC},
        {"TIMES(1 ns)\n5 = 1\n", "corrupt", "line 2 - Error : Expecting timing name"},
        {"TIMES(1 ns)\na\n", "corrupt", "line 2 - Error : Expecting =, += or -="},
        {"TIMES(1 ns)\na + 1\n", "corrupt", "line 2 - Error : Expecting =, += or -="},
        {"TIMES(1 ns)\na = 2147483648\n", "corrupt", std::string("line 2 - ") + NUMERIC},
        {"TIMES(1 ns)\na = 2147483647\na += 1\n", "corrupt", std::string("line 3 - ") + NUMERIC},
        {"TIMES(1 ns)\na = 0\na -= 2147483647\na -= 2\n", "corrupt", std::string("line 4 - ") + NUMERIC},
        // Every faulty line is reported; a warning alone would not be fatal.
        {"TIMES(1 ns)\nx = \\\n 1 2\ny += 1\nz = 1 \\ junk\n\n", "corrupt",
         "a.tdef, line 3 - Error : Extra text after entry - 2\n"
         "a.tdef, line 4 - Error : Timing parameter y not declared\n"
         "a.tdef, line 5 - Warning : Unexpected characters after '\\' (ignored)\n"
         "a.tdef : 1 warning, 2 errors\n"},
    };
    for (const auto &c : cases) {
        std::string messages;
        EXPECT_EQ(c.result, read_tdef(c.text, &messages)) << c.text;
        bool short_form = c.messages.compare(0, 4, "line") == 0;
        EXPECT_EQ(short_form ? "a.tdef, " + c.messages + "\na.tdef : 1 error\n" : c.messages, messages)
            << c.text;
    }
    int status = TDEF_OK;
    capture_stderr();
    EXPECT_EQ(nullptr, tdef_read("no/such.tdef", test_msg, &status));
    EXPECT_EQ(TDEF_NOT_FOUND, status);
    EXPECT_EQ("no/such.tdef - Error : File open failed\nno/such.tdef : 1 error\n", captured_stderr());
}

} // namespace
