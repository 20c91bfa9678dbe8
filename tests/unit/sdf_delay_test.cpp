#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "config/cond.h"
#include "sdf/sdf_delay.h"
#include "sdf/sdf_lexer.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// The block after "(DELAY" read from "t.sdf"; parsed records are never
// freed, which the leak checker is told while the block lives.
struct Block {
    explicit Block(const std::string &block, int template_syntax = 0) : text(block + "\n")
    {
#ifdef __SANITIZE_ADDRESS__
        __lsan_disable();
#endif
        in = fmemopen(&text[0], text.size(), "r");
        rd = sdf_reader_create(in, "t.sdf", nullptr, nullptr, MODE_COLLECT, template_syntax);
        testing::internal::CaptureStderr();
        ok = sdf_read_delay(rd, &iopaths, &paths, &interconnects);
        messages = testing::internal::GetCapturedStderr();
    }
    ~Block()
    {
        fclose(in);
#ifdef __SANITIZE_ADDRESS__
        __lsan_enable();
#endif
    }
    std::string text, messages;
    FILE *in;
    SdfReader *rd;
    int ok;
    PathEntry *iopaths = nullptr;
    PathDelay *paths = nullptr;
    InterconnectDelay *interconnects = nullptr;
};

std::string dump_port(const PortSpec &p)
{
    std::string s = p.edge != EDGE_NONE ? std::string(edge_keywords[p.edge]) + " " : "";
    s += p.name;
    if (p.msb != -1)
        s += "[" + std::to_string(p.msb) + (p.lsb != -1 ? ":" + std::to_string(p.lsb) : "") + "]";
    return s;
}

std::string dump_values(const ValueTriple v[6])
{
    std::string s;
    for (int i = 0; i < 6 && !v[i].absent; i++)
        s += std::string("(") + (v[i].min ? v[i].min : "") + ")";
    return s;
}

std::string dump_iopath(const PathEntry *e)
{
    std::string s = dump_port(e->in_port) + " > " + dump_port(e->out_port) + " " + dump_values(e->delays);
    if (e->cond_text)
        s += " cond=\"" + std::string(e->cond_text) + "\"" + (e->cond ? "" : " unparsed");
    if (e->has_retain)
        s += " retain=" + dump_values(e->retain);
    return s;
}

TEST(SdfReadDelay, EntriesOfTheAbsoluteBlock)
{
    Block b("(ABSOLUTE\n"
            "  (IOPATH (posedge CK) Q[1] (1) (2))\n"
            "  (PORT A (5))\n"
            "  (INTERCONNECT u1.Y u2.A[3:0] (7))\n"
            "  (PATH u3.Z (8) (9) (10) (11))\n"
            "  (IOPATH A Y (RETAIN (0.5) (0.25)) (3) (4))\n"
            ")\n"
            "(INCREMENT (IOPATH A Y (1)))\n"
            ") NEXT");
    EXPECT_EQ("t.sdf, line 3 - Warning : Unknown entry in DELAY block, skipping\n", b.messages);
    ASSERT_EQ(1, b.ok);
    EXPECT_EQ('N', *sdf_next_char(b.rd));
    ASSERT_TRUE(b.iopaths && b.iopaths->next && !b.iopaths->next->next);
    EXPECT_EQ("posedge CK > Q[1] (1)(2)", dump_iopath(b.iopaths));
    EXPECT_EQ(-1, b.iopaths->score);
    EXPECT_EQ(1.5, b.iopaths->mean_delay[0]);
    EXPECT_EQ("A > Y (3)(4) retain=(0.5)(0.25)", dump_iopath(b.iopaths->next));
    ASSERT_TRUE(b.interconnects && b.paths);
    EXPECT_EQ("u1.Y u2.A[3:0] (7)", dump_port(b.interconnects->from_port) + " " +
                                        dump_port(b.interconnects->to_port) + " " +
                                        dump_values(b.interconnects->delays));
    EXPECT_EQ("u3.Z (8)(9)(10)(11)(11)(11)", dump_port(b.paths->port) + " " + dump_values(b.paths->delays));
}

TEST(SdfReadDelay, ConditionTextAndItsTree)
{
    struct {
        const char *cond;
        const char *text;
        bool parses;
    } cases[] = {
        {"A==1'b1", "A == 1'b1", true},
        {"A == 1'b1", "A == 1'b1", true},
        {"(B1==1'b1)&&(B2==1'b0)", "( B1 == 1'b1 ) && ( B2 == 1'b0 )", true},
        {"A!=1'B0 || B>=C", "A != 1'B0 || B >= C", true},
        {"A<=B|C", "A <= B | C", true},
        {"~&A ~|B", "~& A ~| B", false},
        {"A~^B^~C<<D>>E", "A ~^ B ^~ C << D >> E", false},
        {"A=='b1", "A == 'b1", true},
        {"DM[2]==1'b0&SLOW", "DM[2] == 1'b0 & SLOW", true},
        {"A B", "A B", false},
    };
    for (const auto &c : cases) {
        Block b(std::string("(ABSOLUTE (COND ") + c.cond + " (IOPATH A Y (1)))))");
        ASSERT_EQ(1, b.ok) << c.cond;
        EXPECT_EQ(std::string("A > Y (1) cond=\"") + c.text + "\"" + (c.parses ? "" : " unparsed"),
                  dump_iopath(b.iopaths));
    }
    // Without condition tokens the entry is an IOPATH without condition.
    Block empty("(ABSOLUTE (COND (IOPATH A Y (1)))))");
    EXPECT_EQ("A > Y (1)", dump_iopath(empty.iopaths));
}

TEST(SdfReadDelay, ConditionOnInput)
{
    struct {
        const char *entry;
        int on_input;
    } cases[] = {
        {"(COND A (IOPATH (posedge A) Y (1)))", 1},
        {"(COND A && B (IOPATH (01 A) Y (1)))", 2},
        {"(COND A & B (IOPATH (z1 A) Y (1)))", 2},
        {"(COND !A (IOPATH (negedge A) Y (1)))", 1},
        {"(COND ~A && B (IOPATH (1z A) Y (1)))", 2},
        {"(COND A (IOPATH (negedge A) Y (1)))", 0},
        {"(COND B && A (IOPATH (posedge A) Y (1)))", 0},
        {"(COND A && B && C (IOPATH (posedge A) Y (1)))", 0},
        {"(COND A (IOPATH A Y (1)))", 0},
        {"(COND a (IOPATH (posedge A) Y (1)))", 0},
    };
    for (const auto &c : cases) {
        Block b(std::string("(ABSOLUTE ") + c.entry + "))");
        ASSERT_EQ(1, b.ok) << c.entry;
        EXPECT_EQ(c.on_input, b.iopaths->cond_on_input) << c.entry;
    }
}

TEST(SdfReadDelay, MeanDelays)
{
    Block triple("(ABSOLUTE (IOPATH A Y (1:2:3) (4:5:6)) (IOPATH B Y (1::3) () (2::4))))");
    ASSERT_EQ(1, triple.ok);
    const double *m = triple.iopaths->mean_delay;
    EXPECT_EQ(2.5, m[0]);
    EXPECT_EQ(3.5, m[1]);
    EXPECT_EQ(4.5, m[2]);
    m = triple.iopaths->next->mean_delay;
    EXPECT_EQ(1.5, m[0]);
    EXPECT_EQ(0, m[1]);
    EXPECT_EQ(3.5, m[2]);

    // Positions repeated from a short list count again.
    Block single("(ABSOLUTE (IOPATH A Y (1) (2) (3) (6))))");
    EXPECT_EQ(4, single.iopaths->mean_delay[0]);

    Block names("(ABSOLUTE (IOPATH A Y (tR:tRT:tRX))))", 1);
    EXPECT_EQ(0, names.iopaths->mean_delay[0]);
}

TEST(SdfReadDelay, Failures)
{
    struct {
        const char *block;
        int template_syntax;
        const char *messages;
    } cases[] = {
        {"(INCREMENT (IOPATH A Y (1))))", 0, "line 1 - Error : Only ABSOLUTE delays supported\n"},
        {"ABSOLUTE", 0, "line 1 - Error : Expecting open bracket\n"},
        {"(ABSOLUTE IOPATH)", 0, "line 1 - Error : Expecting close bracket\n"},
        {"(ABSOLUTE (IOPATH A Y)))", 0,
         "line 1 - Error : No values provided\nt.sdf, line 1 - Error : Malformed IOPATH\n"},
        {"(ABSOLUTE (IOPATH A Y (-1))))", 0, "line 1 - Error : Malformed IOPATH\n"},
        {"(ABSOLUTE (IOPATH A Y (RETAIN (x)) (1))))", 0, "line 1 - Error : Malformed RETAIN\n"},
        {"(ABSOLUTE (IOPATH A Y (RETAIN (1)) x)))", 0,
         "line 1 - Error : Expecting '('\nt.sdf, line 1 - Error : Malformed IOPATH\n"},
        {"(ABSOLUTE (IOPATH A Y (RETAIN (tR)) (tPD))))", 1,
         "line 1 - Error : Expecting ':' or ')'\nt.sdf, line 1 - Error : Malformed IOPATH\n"},
        {"(ABSOLUTE (IOPATH A Y ((1) (2)))))", 0,
         "line 1 - Error : Pulse rejection and X filter delvals not supported\n"
         "t.sdf, line 1 - Error : Malformed IOPATH\n"},
        {"(ABSOLUTE (COND A) (IOPATH A Y (1))))", 0, "line 1 - Error : Expecting IOPATH\n"},
        {"(ABSOLUTE (COND A && B", 0, "line 2 - Error : Premature end of file found.\n"},
        {"(ABSOLUTE (IOPATH (COND A B) Y (1))))", 0, ""},
    };
    for (const auto &c : cases) {
        Block b(c.block, c.template_syntax);
        EXPECT_EQ(0, b.ok) << c.block;
        EXPECT_EQ(*c.messages ? std::string("t.sdf, ") + c.messages : "", b.messages) << c.block;
    }
}

} // namespace
