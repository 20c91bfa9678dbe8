#include "test_util.h"

#include "sdf/sdf_timingcheck.h"

namespace {

std::string check_port(const char *cond, const PortSpec &p)
{
    return (cond ? std::string("[") + cond + "]" : "") + port_text(p);
}

// One line per check after "(TIMINGCHECK", or "null" and the messages.
std::string read_block(const char *block, int template_syntax = 0)
{
    Reader r(std::string(block) + "\n", MODE_ECHO, template_syntax);
    capture_stderr();
    TimingCheck *tc = sdf_read_timingcheck(r.rd);
    std::string s = std::string(tc ? "" : "null ") + (r.rd->mode == MODE_ECHO ? "" : "mode not restored ");
    for (; tc; tc = tc->next) {
        s += tc->score != -1 || tc->used != 0 ? "bad-init " : "";
        if (tc->kind == CHECK_OTHER) {
            s += "OTHER\n";
            continue;
        }
        s += std::string(check_keywords[tc->kind]) + " " + check_port(tc->data_cond, tc->data_port) + " < " +
             check_port(tc->ref_cond, tc->ref_port) + " " + value_text(tc->value1);
        bool two = tc->kind == CHECK_SETUPHOLD || tc->kind == CHECK_RECREM || tc->kind == CHECK_NOCHANGE;
        s += (two ? value_text(tc->value2) : "") + "\n";
    }
    return s + captured_stderr();
}

TEST(SdfReadTimingcheck, KindsPortPlacementAndConditions)
{
    EXPECT_EQ("SETUP D < posedge CK (0.2)\nHOLD D[3] < negedge CK (0.1)\n"
              "SETUPHOLD D < posedge CK (0.2)(0.1)\nWIDTH - < negedge CK (3)\nPERIOD - < CK (4)\n"
              "NOCHANGE D < posedge CK (1)(2)\nRECOVERY posedge RN < posedge CK (5)\nREMOVAL RN < CK (6)\n"
              "RECREM posedge RN < posedge CK (7)(8)\n",
              read_block("(SETUP D (posedge CK) (0.2)) (hold D[3] (negedge CK) (0.1))\n"
                         "(SETUPHOLD D (posedge CK) (0.2) (0.1)) (WIDTH (negedge CK) (3)) (PERIOD CK (4))\n"
                         "(NOCHANGE (posedge CK) D (1) (2)) (RECOVERY (posedge RN) (posedge CK) (5))\n"
                         "(REMOVAL RN CK (6)) (RECREM (posedge RN) (posedge CK) (7) (8)))"));
    // A condition is one token; the rest of the COND form is passed over.
    EXPECT_EQ("HOLD [EN]D < posedge CK (:0.1:)\nOTHER\nSETUP A < [RN]posedge CK (1:2:3)\nOTHER\n"
              "SETUPHOLD D < [RN]= (1::3)()\n",
              read_block("(HOLD (COND EN D) (posedge CK) (:0.1:)) (SKEW A B (1:1:1))\n"
                         "(SETUP A (COND RN (posedge CK)) (1:2:3) (SCOND x) (extra (junk)))\n"
                         "(setupholds A B (1)) (SETUPHOLD D (COND RN===1'b1 (posedge CK)) (1::3) ()))"));
    EXPECT_EQ("WIDTH - < CK (tW)\n", read_block("(WIDTH CK (tW)))", 1));
}

// A negative check value shows in the corpus test.
TEST(SdfReadTimingcheck, Failures)
{
    const char *const cases[][2] = {
        {"(SETUPHOLD D CK (1) (RETAIN)))", "t.sdf, line 1 - Error : Malformed triple\n"},
        {"(SETUP D CK (1)) SETUP)", "t.sdf, line 1 - Error : Expecting close bracket\n"},
        {"(SETUP D CK 1))", ""},
        {")", ""},
        {"(SETUP D (rise CK) (1)))", "t.sdf, line 1 - Error : Expecting edge specifier\n"},
        {"(WIDTH CK ((1) (2))))",
         "t.sdf, line 1 - Error : Pulse rejection and X filter delvals not supported\n"},
        {"(SETUP D CK (1))", "t.sdf, line 2 - Error : Premature end of file found.\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(std::string("null ") + c[1], read_block(c[0])) << c[0];
}

} // namespace
