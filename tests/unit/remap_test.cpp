#include "test_util.h"

#include <cstring>

#include "remap/remap.h"

namespace {

// The IOPATH notation and plain checks show in every end-to-end audit log.
TEST(RemapNotation, ChecksWithConditionsPortOrderAndUnknownKinds)
{
    TimingCheck checks[3] = {make_check(CHECK_SETUP, EDGE_POSEDGE, 3),
                             make_check(CHECK_NOCHANGE, EDGE_NEGEDGE, 3)};
    checks[0].data_cond = "EN";
    checks[0].ref_cond = "RST";
    memset(&checks[2], 0xff, sizeof checks[2]); // ports of unknown kinds are never read
    checks[2].kind = CHECK_OTHER;
    Scratch out;
    for (const TimingCheck &c : checks)
        print_check_entry(out.f, &c);
    EXPECT_EQ("(SETUP (COND EN D[3]) (COND RST (posedge CK)) ...) "
              "(NOCHANGE (negedge CK) D[3] ...) (??? ...) ",
              out.text());
}

} // namespace
