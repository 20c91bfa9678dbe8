#include "test_util.h"

#include "sdf/sdf_timingcheck.h"

namespace {

// The check kinds, their port placement and port conditions show in the
// output and audit log of end-to-end runs. A negative check value shows in
// the corpus test. Here: blocks that fail, with their messages; the reader
// is left in the mode it was in.
TEST(SdfReadTimingcheck, Failures)
{
    const char *const cases[][2] = {
        {"(SETUPHOLD D CK (1) (RETAIN)))", "t.sdf, line 1 - Error : Malformed triple\n"},
        {"(SETUP D CK (1)) SETUP)", "t.sdf, line 1 - Error : Expecting close bracket\n"},
        {"(SETUP D CK 1))", ""},
        {"(SETUP D (rise CK) (1)))", "t.sdf, line 1 - Error : Expecting edge specifier\n"},
        {"(WIDTH CK ((1) (2))))", "t.sdf, line 1 - Error : Pulse rejection and X filter delvals not supported\n"},
        {"(SETUP D CK (1))", "t.sdf, line 2 - Error : Premature end of file found.\n"},
    };
    for (const auto &c : cases) {
        Reader r(std::string(c[0]) + "\n", MODE_ECHO);
        capture_stderr();
        TimingCheck *checks;
        EXPECT_FALSE(sdf_read_timingcheck(r.rd, &checks)) << c[0];
        EXPECT_EQ(c[1], captured_stderr()) << c[0];
        EXPECT_EQ(MODE_ECHO, r.rd->mode) << c[0];
    }
    // A block without entries is read, and gives no list.
    Reader empty(")\n");
    TimingCheck unset, *checks = &unset;
    EXPECT_TRUE(sdf_read_timingcheck(empty.rd, &checks) && !checks);
}

} // namespace
