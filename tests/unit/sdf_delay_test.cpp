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

// A collecting reader named "t.sdf" over `text` and a final newline; the
// records it makes are never freed, which the leak checker is told.
struct Input {
    explicit Input(const std::string &text, int template_syntax = 0)
    {
#ifdef __SANITIZE_ADDRESS__
        __lsan_disable();
#endif
        in = tmpfile();
        fwrite(text.data(), 1, text.size(), in);
        fputc('\n', in);
        rewind(in);
        rd = sdf_reader_create(in, "t.sdf", nullptr, nullptr, MODE_COLLECT, template_syntax);
    }
    ~Input()
    {
        fclose(in);
#ifdef __SANITIZE_ADDRESS__
        __lsan_enable();
#endif
    }
    // Reads the block after "(DELAY"; the messages it gave.
    std::string read()
    {
        testing::internal::CaptureStderr();
        ok = sdf_read_delay(rd, &iopaths, &paths, &interconnects);
        return testing::internal::GetCapturedStderr();
    }
    std::string token()
    {
        int len;
        char *t = sdf_token(rd, &len);
        return t ? std::string(t, len) : "<none>";
    }
    FILE *in;
    SdfReader *rd;
    int ok = -1;
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
    for (int i = 0; i < 6; i++) {
        if (v[i].absent)
            continue;
        s += "(";
        s += v[i].min ? v[i].min : "";
        if (v[i].typ || v[i].max)
            s += std::string(":") + (v[i].typ ? v[i].typ : "") + ":" + (v[i].max ? v[i].max : "");
        s += ")";
    }
    return s;
}

std::string dump_iopath(const PathEntry *e)
{
    std::string s = dump_port(e->in_port) + " > " + dump_port(e->out_port) + " " + dump_values(e->delays);
    if (e->cond_text)
        s += " cond=\"" + std::string(e->cond_text) + "\"" + (e->cond ? "" : " unparsed");
    if (e->cond_on_input)
        s += " on_input=" + std::to_string(e->cond_on_input);
    if (e->has_retain)
        s += " retain=" + dump_values(e->retain);
    return s;
}

std::string first_iopath(const char *entry)
{
    Input input(std::string("(ABSOLUTE ") + entry + "))");
    std::string err = input.read();
    if (!input.ok || !input.iopaths)
        return "failed " + err;
    return dump_iopath(input.iopaths) + err;
}

TEST(SdfReadDelay, EntriesOfTheAbsoluteBlock)
{
    Input input("(ABSOLUTE\n"
                "  (IOPATH (posedge CK) Q[1] (1) (2))\n"
                "  (PORT A (5))\n"
                "  (INTERCONNECT u1.Y u2.A[3:0] (7))\n"
                "  (PATH u3.Z (8) (9) (10) (11))\n"
                "  (IOPATH A Y (RETAIN (0.5) (0.25)) (3) (4))\n"
                ")\n"
                "(INCREMENT (IOPATH A Y (1)))\n"
                ") NEXT");
    EXPECT_EQ("t.sdf, line 3 - Warning : Unknown entry in DELAY block, skipping\n", input.read());
    ASSERT_EQ(1, input.ok);
    EXPECT_EQ("NEXT", input.token());
    ASSERT_NE(nullptr, input.iopaths);
    EXPECT_EQ("posedge CK > Q[1] (1)(2)", dump_iopath(input.iopaths));
    EXPECT_EQ(-1, input.iopaths->score);
    EXPECT_EQ(1.5, input.iopaths->mean_delay[0]);
    ASSERT_NE(nullptr, input.iopaths->next);
    EXPECT_EQ("A > Y (3)(4) retain=(0.5)(0.25)", dump_iopath(input.iopaths->next));
    EXPECT_EQ(nullptr, input.iopaths->next->next);
    ASSERT_NE(nullptr, input.interconnects);
    EXPECT_EQ("u1.Y > u2.A[3:0] (7)", dump_port(input.interconnects->from_port) + " > " +
                                        dump_port(input.interconnects->to_port) + " " +
                                        dump_values(input.interconnects->delays));
    ASSERT_NE(nullptr, input.paths);
    EXPECT_EQ("u3.Z (8)(9)(10)(11)(11)(11)",
              dump_port(input.paths->port) + " " + dump_values(input.paths->delays));

    // A second block replaces the lists of the first.
    Input again("(ABSOLUTE (PATH B (1))))");
    again.iopaths = input.iopaths;
    again.interconnects = input.interconnects;
    again.read();
    EXPECT_EQ(1, again.ok);
    EXPECT_EQ(nullptr, again.iopaths);
    EXPECT_EQ(nullptr, again.interconnects);
    ASSERT_NE(nullptr, again.paths);
}

TEST(SdfReadDelay, ConditionTextIsRebuiltWithGluedOperators)
{
    struct {
        const char *cond;
        const char *text;
        bool parses;
    } cases[] = {
        {"A==1'b1", "A == 1'b1", true},
        {"A == 1'b1", "A == 1'b1", true},
        {"A&&B", "A && B", true},
        {"(B1==1'b1)&&(B2==1'b0)", "( B1 == 1'b1 ) && ( B2 == 1'b0 )", true},
        {"A!=1'B0 || B>=C", "A != 1'B0 || B >= C", true},
        {"A<=B|C", "A <= B | C", true},
        {"~&A ~|B", "~& A ~| B", false},
        {"A~^B^~C", "A ~^ B ^~ C", false},
        {"A<<B>>C", "A << B >> C", true},
        {"A=='b1", "A == 'b1", true},
        {"DM[2]==1'b0&SLOW", "DM[2] == 1'b0 & SLOW", true},
        {"RN===1'b1", "RN === 1'b1", false},
    };
    for (const auto &c : cases) {
        std::string entry = std::string("(COND ") + c.cond + " (IOPATH A Y (1)))";
        std::string expected = std::string("A > Y (1) cond=\"") + c.text + "\"";
        if (!c.parses)
            expected += " unparsed";
        EXPECT_EQ(expected, first_iopath(entry.c_str())) << c.cond;
    }
    EXPECT_EQ("A > Y (1) cond=\"A B\" unparsed", first_iopath("(COND A B (IOPATH A Y (1)))"));
    // Without condition tokens the entry is an IOPATH without condition.
    EXPECT_EQ("A > Y (1)", first_iopath("(COND (IOPATH A Y (1)))"));
    EXPECT_EQ("A > Y (1) cond=\"X\"", first_iopath("(COND X (IOPATH A Y (1)))"));
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
        {"(COND !A (IOPATH (posedge A) Y (1)))", 0},
        {"(COND B && A (IOPATH (posedge A) Y (1)))", 0},
        {"(COND A && B && C (IOPATH (posedge A) Y (1)))", 0},
        {"(COND A (IOPATH A Y (1)))", 0},
        {"(COND a (IOPATH (posedge A) Y (1)))", 0},
        {"(COND A B (IOPATH (posedge A) Y (1)))", 0},
    };
    for (const auto &c : cases) {
        Input input(std::string("(ABSOLUTE ") + c.entry + "))");
        input.read();
        ASSERT_EQ(1, input.ok) << c.entry;
        EXPECT_EQ(c.on_input, input.iopaths->cond_on_input) << c.entry;
    }
}

TEST(SdfReadDelay, MeanDelays)
{
    {
        Input input("(ABSOLUTE (IOPATH A Y (1:2:3) (4:5:6)) (IOPATH B Y (1::3) () (2::4))))");
        input.read();
        ASSERT_EQ(1, input.ok);
        const double *m = input.iopaths->mean_delay;
        EXPECT_EQ(2.5, m[0]);
        EXPECT_EQ(3.5, m[1]);
        EXPECT_EQ(4.5, m[2]);
        m = input.iopaths->next->mean_delay;
        EXPECT_EQ(1.5, m[0]);
        EXPECT_EQ(0, m[1]);
        EXPECT_EQ(3.5, m[2]);
    }
    {
        // Positions repeated from a short list count again.
        Input input("(ABSOLUTE (IOPATH A Y (1) (2) (3) (6))))");
        input.read();
        ASSERT_EQ(1, input.ok);
        EXPECT_EQ(4, input.iopaths->mean_delay[0]);
    }
    {
        Input input("(ABSOLUTE (IOPATH A Y (tR:tRT:tRX))))", 1);
        input.read();
        ASSERT_EQ(1, input.ok);
        EXPECT_EQ(0, input.iopaths->mean_delay[0]);
        EXPECT_STREQ("tRT", input.iopaths->delays[0].typ);
    }
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
        {"(ABSOLUTE (PATH (1))))", 0, "line 1 - Error : Expecting edge specifier\n"},
    };
    for (const auto &c : cases) {
        Input input(c.block, c.template_syntax);
        std::string err = input.read();
        EXPECT_EQ(0, input.ok) << c.block;
        EXPECT_EQ(*c.messages ? std::string("t.sdf, ") + c.messages : "", err) << c.block;
    }
}

} // namespace
