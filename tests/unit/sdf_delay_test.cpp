#include "test_util.h"

#include <cstdlib>

#include "sdf/sdf_delay.h"

namespace {

// The messages of one sdf_read_delay over `block`, after "failed" when it fails.
std::string read_delay(const std::string &block, int template_syntax = 0, PathEntry **iopaths = nullptr,
                       int extended = 0)
{
    Reader r(block + "\n", MODE_COLLECT, template_syntax);
    r.rd->extended = extended;
    PathEntry *e;
    PathDelay *p;
    InterconnectDelay *n;
    capture_stderr();
    bool ok = sdf_read_delay(r.rd, iopaths ? iopaths : &e, &p, &n);
    return (ok ? "" : "failed ") + captured_stderr();
}

// The entries of the block with their condition texts and RETAIN lists, the
// means over single values and the entries skipped show in end-to-end runs.
TEST(SdfReadDelay, MeansOfEachComponent)
{
    PathEntry *e;
    read_delay("(ABSOLUTE (IOPATH A Y (1:2:3) (2::4))))", 0, &e);
    EXPECT_TRUE(e->mean_delay[0] == 1.5 && e->mean_delay[1] == 2 && e->mean_delay[2] == 3.5);
    read_delay("(ABSOLUTE (IOPATH A Y (tR:tRT:tRX))))", 1, &e);
    EXPECT_EQ(0, e->mean_delay[0]);
    for (const char *text : {"0.1", "0.3", "-2.675", "+7", "5.", ".5", "123456789012345", "1234567890123456",
                             "0.0000000000000000000001", "1e-3", "007.50"}) {
        const ValueTriple none = {1, 0, 0, 0};
        const ValueTriple v[6] = {{0, text, nullptr, nullptr}, none, none, none, none, none};
        EXPECT_EQ(strtod(text, nullptr), mean_component(v, 0)) << text;
    }
}

// A condition restates the input's level after its edge when it is the input
// itself after a rising edge, its negation after a falling one (2: only its
// first conjunct does); any other name, or no edge, restates nothing.
TEST(SdfReadDelay, ConditionsOnTheInput)
{
    PathEntry *e;
    read_delay("(ABSOLUTE (COND A (IOPATH (posedge A) Y (1))) (COND !A (IOPATH (negedge A) Y (1)))"
               " (COND !B (IOPATH (negedge A) Y (1))) (COND !A && B (IOPATH (10 A) Y (1)))"
               " (COND A && B (IOPATH (negedge A) Y (1))) (COND B && A (IOPATH (01 A) Y (1)))"
               " (COND A (IOPATH (negedge A) Y (1))) (COND A (IOPATH A Y (1)))))",
               0, &e);
    std::string kinds;
    for (; e; e = e->next)
        kinds += std::to_string(e->cond_on_input);
    EXPECT_EQ("11020000", kinds);
}

// A negative delay and a deltype other than ABSOLUTE show in the corpus test.
TEST(SdfReadDelay, Failures)
{
    const char *const cases[][2] = {
        {"ABSOLUTE", "line 1 - Error : Expecting open bracket\n"},
        {"(ABSOLUTE IOPATH)", "line 1 - Error : Expecting close bracket\n"},
        {"(ABSOLUTE (IOPATH A Y)))",
         "line 1 - Error : No values provided\nt.sdf, line 1 - Error : Malformed IOPATH\n"},
        {"(ABSOLUTE (IOPATH A Y (RETAIN (x)) (1))))", "line 1 - Error : Malformed RETAIN\n"},
        {"(ABSOLUTE (IOPATH A Y (RETAIN (1)) x)))",
         "line 1 - Error : Expecting '('\nt.sdf, line 1 - Error : Malformed IOPATH\n"},
        {"(ABSOLUTE (COND A) (IOPATH A Y (1))))", "line 1 - Error : Expecting IOPATH\n"},
        {"(ABSOLUTE (COND A && B", "line 2 - Error : Premature end of file found.\n"},
        {"(ABSOLUTE (IOPATH (COND A B) Y (1))))", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(std::string("failed ") + (*c[1] ? "t.sdf, " : "") + c[1], read_delay(c[0])) << c[0];
    EXPECT_EQ("failed t.sdf, line 1 - Error : Expecting ':' or ')'\n"
              "t.sdf, line 1 - Error : Malformed IOPATH\n",
              read_delay("(ABSOLUTE (IOPATH A Y (RETAIN (tR)) (tPD))))", 1));
}

// Passed-over blocks do not stand in for the ABSOLUTE block or the DELAY's
// own opening; the passing over itself shows in end-to-end runs.
TEST(SdfReadDelay, ExtendedDeltypeFailures)
{
    const char *const cases[][2] = {
        {")", "Error : Expecting open bracket\n"},
        {"(INCREMENT (IOPATH A Y (1))) x)",
         "Warning : INCREMENT block ignored\nt.sdf, line 1 - Error : Expecting open bracket\n"},
        {"(pathpulse A Y (1)) (CORRELATION x))",
         "Warning : PATHPULSE block ignored\nt.sdf, line 1 - Error : Only ABSOLUTE delays supported\n"},
        {"(ABSOLUTE (IOPATH A Y (-1))) (INCREMENT x))", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(std::string(*c[1] ? "failed t.sdf, line 1 - " : "") + c[1],
                  read_delay(c[0], 0, nullptr, 1))
            << c[0];
    // Input ending inside a passed-over block fails there, without a second report.
    std::string ended = read_delay("(PATHPULSE A Y (1)", 0, nullptr, 1);
    EXPECT_EQ(0u, ended.find("failed t.sdf, line 1 - Warning : PATHPULSE block ignored\n")) << ended;
    EXPECT_EQ(std::string::npos, ended.find("Expecting open bracket")) << ended;
}

// An ABSOLUTE block replaces all three lists of an earlier DELAY, even those
// it leaves empty; a DELAY of passed-over blocks only replaces none.
TEST(SdfReadDelay, ListsReplacedOnlyByAbsolute)
{
    KeepAllocations keep;
    PathEntry earlier = {};
    PathEntry *iopaths = &earlier;
    PathDelay *paths = nullptr;
    InterconnectDelay *interconnects = nullptr;
    Reader increment("(INCREMENT (PATH Y (1)))) X\n");
    increment.rd->extended = 1;
    capture_stderr();
    EXPECT_TRUE(sdf_read_delay(increment.rd, &iopaths, &paths, &interconnects));
    captured_stderr();
    EXPECT_TRUE(iopaths == &earlier && !paths && !interconnects);
    Reader absolute("(ABSOLUTE (PATH Y (1)))) X\n");
    EXPECT_TRUE(sdf_read_delay(absolute.rd, &iopaths, &paths, &interconnects));
    EXPECT_TRUE(!iopaths && paths && !interconnects);
}

} // namespace
