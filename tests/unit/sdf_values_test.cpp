#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sdf/sdf_lexer.h"
#include "sdf/sdf_values.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// A collecting reader named "t.sdf" over `text` and a final newline (a token
// that ends the input cannot be completed). Readers and what they parse
// are never freed, so the leak checker is told to expect that while it lives.
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
    std::string token()
    {
        int len;
        char *t = sdf_token(rd, &len);
        return t ? std::string(t, len) : "<none>";
    }
    FILE *in;
    SdfReader *rd;
};

std::string dump_port(const PortSpec &p)
{
    std::string s = p.name ? p.name : "<null>";
    if (p.msb != -1)
        s += "[" + std::to_string(p.msb) + (p.lsb != -1 ? ":" + std::to_string(p.lsb) : "") + "]";
    if (p.edge != EDGE_NONE)
        s += std::string(" ") + edge_keywords[p.edge];
    return s;
}

std::string dump_value(const ValueTriple &v)
{
    if (v.absent)
        return "-";
    std::string s = "(";
    s += v.min ? v.min : "";
    if (v.typ || v.max)
        s += std::string(":") + (v.typ ? v.typ : "") + ":" + (v.max ? v.max : "");
    return s + ")";
}

std::string dump_values(const ValueTriple v[6])
{
    std::string s;
    for (int i = 0; i < 6; i++)
        s += (i ? " " : "") + dump_value(v[i]);
    return s;
}

// Result of sdf_read_port and what it read, or the messages it gave.
std::string read_port(const char *text)
{
    Input input(text);
    PortSpec port = {nullptr, 0, 0, 0};
    testing::internal::CaptureStderr();
    int result = sdf_read_port(input.rd, &port);
    std::string err = testing::internal::GetCapturedStderr();
    if (result != 1)
        return std::to_string(result) + " " + err;
    return dump_port(port);
}

std::string read_values(const char *text, int template_syntax = 0)
{
    Input input(text, template_syntax);
    ValueTriple v[6];
    testing::internal::CaptureStderr();
    int result = sdf_read_values(input.rd, v);
    std::string err = testing::internal::GetCapturedStderr();
    if (result != 1)
        return "0 " + err;
    return dump_values(v) + " | " + input.token();
}

TEST(SdfReadPort, EdgesAndRanges)
{
    struct {
        const char *text;
        const char *expected;
    } cases[] = {
        {"CLK", "CLK"},
        {"(posedge CLK)", "CLK posedge"},
        {"(NEGEDGE CLK)", "CLK negedge"},
        {"( 01 A )", "A 01"},
        {"(10 A)", "A 10"},
        {"(0z A)", "A 0z"},
        {"(Z1 A)", "A z1"},
        {"(1z A)", "A 1z"},
        {"(z0 A)", "A z0"},
        {"D[3]", "D[3]"},
        {"D[0:3]", "D[3:0]"},
        {"D[3:0]", "D[3:0]"},
        {"(posedge D[7:15])", "D[15:7] posedge"},
        {"top.u1.Q[2]", "top.u1.Q[2]"},
        {"D[4:]", "D[4]"},
        {"x\\]", "x\\]"},
        {"pad\\[9\\].DM[2]", "pad\\[9\\].DM[2]"},
        {"(COND A B)", "2 "},
        {"(foo A)", "0 t.sdf, line 1 - Error : Expecting edge specifier\n"},
        {"(posedge A B)", "0 t.sdf, line 1 - Error : Expecting ')'\n"},
        {"D[]", "0 t.sdf, line 1 - Error : Port \"D\" - bad range\n"},
        {"D[:3]", "0 t.sdf, line 1 - Error : Port \"D\" - bad range\n"},
        {"(posedge", "0 t.sdf, line 2 - Error : Premature end of file found.\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, read_port(c.text)) << c.text;
}

TEST(SdfReadPort, RefusesToWorkOutsideCollectMode)
{
    Input input("A");
    input.rd->mode = MODE_ECHO;
    PortSpec port;
    EXPECT_EQ(0, sdf_read_port(input.rd, &port));
    input.rd->mode = MODE_COLLECT;
    EXPECT_EQ("A", input.token());
}

TEST(SdfReadValues, ListLengths)
{
    EXPECT_EQ("(1) - - - - - | X", read_values("(1)) X"));
    EXPECT_EQ("(1) (2) - - - - | X", read_values("(1) (2)) X"));
    EXPECT_EQ("(1) (2) (3) - - - | X", read_values("(1)(2)(3)) X"));
    EXPECT_EQ("(1) (2) (3) (4) (4) (4) | X", read_values("(1)(2)(3)(4)) X"));
    EXPECT_EQ("(1) (2) (3) (4) (5) (5) | X", read_values("(1)(2)(3)(4)(5)) X"));
    EXPECT_EQ("(1) (2) (3) (4) (5) (6) | X", read_values("(1)(2)(3)(4)(5)(6)) X"));
    EXPECT_EQ("(1) (2) (3) (4) (5) (6) | X",
              read_values("(1)(2)(3)(4)(5)(6)(7)(8)(9)(10)(11)(12)) X"));
    // "(::)" and "()" give the same record: present, no components.
    EXPECT_EQ("(1:2:3) () () - - - | X", read_values("(1:2:3) () (::)) X"));
    EXPECT_EQ("() - - - - - | X", read_values("()) X"));
}

TEST(SdfReadValues, Failures)
{
    EXPECT_EQ("0 t.sdf, line 1 - Error : No values provided\n", read_values(")"));
    EXPECT_EQ("0 t.sdf, line 2 - Error : Expecting '('\n", read_values("(1)\n x)"));
    EXPECT_EQ("0 t.sdf, line 1 - Error : Pulse rejection and X filter delvals not supported\n",
              read_values("((1) (2)))"));
    EXPECT_EQ("0 ", read_values("(-1))"));
    EXPECT_EQ("0 t.sdf, line 1 - Error : Expecting ':' or ')'\n", read_values("(1 2))"));
}

TEST(SdfReadTriple, FirstValueFixesTheFileForm)
{
    {
        Input input("(1) (1:2:3)");
        ValueTriple v[6];
        testing::internal::CaptureStderr();
        EXPECT_EQ(0, sdf_read_values(input.rd, v));
        EXPECT_EQ("t.sdf, line 1 - Error : Expecting ')' at end of triple\n",
                  testing::internal::GetCapturedStderr());
        EXPECT_EQ(FORM_SINGLE, input.rd->triple_form);
    }
    {
        Input input("(1:2:3) (4))");
        ValueTriple v[6];
        testing::internal::CaptureStderr();
        EXPECT_EQ(0, sdf_read_values(input.rd, v));
        EXPECT_EQ("t.sdf, line 1 - Error : Expecting ':'\n",
                  testing::internal::GetCapturedStderr());
        EXPECT_EQ(FORM_TRIPLE, input.rd->triple_form);
    }
    {
        // An empty value decides nothing; the next one does.
        Input input("() (0.1::0.3) (:2:) (1:-2:-3))");
        ValueTriple v[6];
        ASSERT_EQ(1, sdf_read_values(input.rd, v));
        EXPECT_EQ("() (0.1::0.3) (:2:) (1:-2:-3) (1:-2:-3) (1:-2:-3)", dump_values(v));
        EXPECT_EQ(nullptr, v[1].typ);
        EXPECT_EQ(FORM_TRIPLE, input.rd->triple_form);
    }
    {
        Input input("()");
        sdf_next_char(input.rd);
        ValueTriple v;
        ASSERT_EQ(1, sdf_read_triple(&v, input.rd));
        EXPECT_EQ(FORM_UNDECIDED, input.rd->triple_form);
    }
}

TEST(SdfReadTriple, InputValuesMustBeginWithANumber)
{
    const char *texts[] = {"(-1)", "(+1)", "(RETAIN", "(x)"};
    for (const char *text : texts) {
        Input input(text);
        sdf_next_char(input.rd);
        ValueTriple v;
        testing::internal::CaptureStderr();
        EXPECT_EQ(-1, sdf_read_triple(&v, input.rd)) << text;
        EXPECT_EQ("", testing::internal::GetCapturedStderr());
    }
    Input input("(.5)");
    sdf_next_char(input.rd);
    ValueTriple v;
    EXPECT_EQ(1, sdf_read_triple(&v, input.rd));
    EXPECT_STREQ(".5", v.min);
}

TEST(SdfReadTriple, TemplateValuesAreNames)
{
    EXPECT_EQ("(tR:tRT:tRX) (::tPD) - - - - | X", read_values("(tR:tRT:tRX) (::tPD)) X", 1));
    EXPECT_EQ("(tPD) () - - - - | X", read_values("(tPD) ()) X", 1));
    EXPECT_EQ("0 t.sdf, line 1 - Error : Expecting ':' or ')'\n",
              read_values("(RETAIN (tR)) (tPD))", 1));
}

TEST(SdfReadTriple, EndOfInputFails)
{
    Input input("(1:");
    ValueTriple v[6];
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, sdf_read_values(input.rd, v));
    EXPECT_EQ("t.sdf, line 2 - Error : Expecting number\n\n",
              testing::internal::GetCapturedStderr());
}

} // namespace
