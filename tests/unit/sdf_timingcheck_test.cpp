#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sdf/sdf_lexer.h"
#include "sdf/sdf_timingcheck.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace {

std::string dump_port(const char *cond, const PortSpec &p)
{
    std::string s = cond ? std::string("[") + cond + "]" : "";
    s += p.name ? p.name : "-";
    if (p.msb != -1)
        s += "[" + std::to_string(p.msb) + "]";
    return p.edge == EDGE_NONE ? s : s + "/" + edge_keywords[p.edge];
}

std::string dump_value(const ValueTriple &v)
{
    std::string s = std::string("(") + (v.min ? v.min : "");
    if (v.typ || v.max)
        s += std::string(":") + (v.typ ? v.typ : "") + ":" + (v.max ? v.max : "");
    return s + ")";
}

// One line per check after "(TIMINGCHECK", or "null" and the messages.
std::string read_block(const char *block, int template_syntax = 0)
{
#ifdef __SANITIZE_ADDRESS__
    __lsan_disable(); // parsed records are never freed
#endif
    std::string text = std::string(block) + "\n";
    FILE *in = fmemopen(&text[0], text.size(), "r");
    SdfReader *rd = sdf_reader_create(in, "t.sdf", nullptr, nullptr, MODE_ECHO, template_syntax);
    testing::internal::CaptureStderr();
    TimingCheck *tc = sdf_read_timingcheck(rd);
    std::string s = tc ? "" : "null ";
    if (rd->mode != MODE_ECHO)
        s += "mode not restored ";
    for (; tc; tc = tc->next) {
        if (tc->score != -1 || tc->used != 0)
            s += "bad-init ";
        if (tc->kind == CHECK_OTHER) {
            s += "OTHER\n";
            continue;
        }
        s += std::string(check_keywords[tc->kind]) + " data=" + dump_port(tc->data_cond, tc->data_port) +
             " ref=" + dump_port(tc->ref_cond, tc->ref_port) + " " + dump_value(tc->value1);
        if (tc->kind == CHECK_SETUPHOLD || tc->kind == CHECK_RECREM || tc->kind == CHECK_NOCHANGE)
            s += dump_value(tc->value2);
        s += "\n";
    }
    s += testing::internal::GetCapturedStderr();
    fclose(in);
#ifdef __SANITIZE_ADDRESS__
    __lsan_enable();
#endif
    return s;
}

TEST(SdfReadTimingcheck, KindsPortPlacementAndConditions)
{
    EXPECT_EQ("SETUP data=D ref=CK/posedge (0.2)\n"
              "HOLD data=D[3] ref=CK/negedge (0.1)\n"
              "SETUPHOLD data=D ref=CK/posedge (0.2)(0.1)\n"
              "WIDTH data=- ref=CK/negedge (3)\n"
              "PERIOD data=- ref=CK (4)\n"
              "NOCHANGE data=D ref=CK/posedge (1)(2)\n"
              "RECOVERY data=RN/posedge ref=CK/posedge (5)\n"
              "REMOVAL data=RN ref=CK (6)\n"
              "RECREM data=RN/posedge ref=CK/posedge (7)(8)\n",
              read_block("  (SETUP D (posedge CK) (0.2))\n"
                         "  (hold D[3] (negedge CK) (0.1))\n"
                         "  (SETUPHOLD D (posedge CK) (0.2) (0.1))\n"
                         "  (WIDTH (negedge CK) (3))\n"
                         "  (PERIOD CK (4))\n"
                         "  (NOCHANGE (posedge CK) D (1) (2))\n"
                         "  (RECOVERY (posedge RN) (posedge CK) (5))\n"
                         "  (REMOVAL RN CK (6))\n"
                         "  (RECREM (posedge RN) (posedge CK) (7) (8))\n"
                         ")"));
    EXPECT_EQ("HOLD data=[EN]D ref=CK/posedge (:0.1:)\n"
              "OTHER\n"
              "SETUP data=A ref=[RN]CK/posedge (1:2:3)\n"
              "OTHER\n"
              "SETUPHOLD data=D ref=[RN]= (1::3)()\n",
              read_block("(HOLD (COND EN D) (posedge CK) (:0.1:))\n"
                         "(SKEW A B (1:1:1))\n"
                         "(SETUP A (COND RN (posedge CK)) (1:2:3) (SCOND x) (extra (junk)))\n"
                         "(setupholds A B (1))\n"
                         // A condition is one token; the rest of the COND form is passed over.
                         "(SETUPHOLD D (COND RN===1'b1 (posedge CK)) (1::3) ())\n"
                         ")"));
    EXPECT_EQ("WIDTH data=- ref=CK (tW)\n", read_block("(WIDTH CK (tW)))", 1));
}

TEST(SdfReadTimingcheck, Failures)
{
    EXPECT_EQ("null t.sdf, line 2 - Error : Malformed triple\n",
              read_block("(SETUP D CK (1))\n(HOLD D CK (-0.1)) )"));
    EXPECT_EQ("null t.sdf, line 1 - Error : Malformed triple\n",
              read_block("(SETUPHOLD D CK (1) (RETAIN)))"));
    EXPECT_EQ("null t.sdf, line 1 - Error : Expecting close bracket\n",
              read_block("(SETUP D CK (1)) SETUP)"));
    EXPECT_EQ("null ", read_block("(SETUP D CK 1))"));
    EXPECT_EQ("null ", read_block(")"));
    EXPECT_EQ("null t.sdf, line 1 - Error : Expecting edge specifier\n",
              read_block("(SETUP D (rise CK) (1)))"));
    EXPECT_EQ("null t.sdf, line 1 - Error : Pulse rejection and X filter delvals not supported\n",
              read_block("(WIDTH CK ((1) (2))))"));
    EXPECT_EQ("null t.sdf, line 2 - Error : Premature end of file found.\n",
              read_block("(SETUP D CK (1))"));
}

} // namespace
