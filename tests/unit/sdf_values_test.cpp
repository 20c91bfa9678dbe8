#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sdf/sdf_lexer.h"
#include "sdf/sdf_values.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// A collecting reader "t.sdf" over the text and a newline. Parsed records are
// never freed, which the leak checker is told while the input lives.
struct Input {
    explicit Input(const std::string &text, int template_syntax = 0) : text(text + "\n")
    {
#ifdef __SANITIZE_ADDRESS__
        __lsan_disable();
#endif
        in = fmemopen(&this->text[0], this->text.size(), "r");
        rd = sdf_reader_create(in, "t.sdf", nullptr, nullptr, MODE_COLLECT, template_syntax);
    }
    ~Input()
    {
        fclose(in);
#ifdef __SANITIZE_ADDRESS__
        __lsan_enable();
#endif
    }
    std::string text;
    FILE *in;
    SdfReader *rd;
};

std::string dump_value(const ValueTriple &v)
{
    if (v.absent)
        return "-";
    std::string s = std::string("(") + (v.min ? v.min : "");
    if (v.typ || v.max)
        s += std::string(":") + (v.typ ? v.typ : "") + ":" + (v.max ? v.max : "");
    return s + ")";
}

// The port as name[msb:lsb] edge, or the result and the messages.
std::string read_port(const char *text)
{
    Input input(text);
    PortSpec p = {nullptr, 0, 0, 0};
    testing::internal::CaptureStderr();
    int result = sdf_read_port(input.rd, &p);
    std::string err = testing::internal::GetCapturedStderr();
    if (result != 1)
        return std::to_string(result) + " " + err;
    std::string s = p.name;
    if (p.msb != -1)
        s += "[" + std::to_string(p.msb) + (p.lsb != -1 ? ":" + std::to_string(p.lsb) : "") + "]";
    return p.edge == EDGE_NONE ? s : s + " " + edge_keywords[p.edge];
}

// The six positions and the token after the list, or "0" and the messages.
std::string read_values(const char *text, int template_syntax = 0)
{
    Input input(text, template_syntax);
    ValueTriple v[6];
    testing::internal::CaptureStderr();
    int result = sdf_read_values(input.rd, v);
    std::string err = testing::internal::GetCapturedStderr();
    if (result != 1)
        return "0 " + err;
    std::string s;
    for (int i = 0; i < 6; i++)
        s += dump_value(v[i]) + " ";
    int len;
    char *next = sdf_token(input.rd, &len);
    return s + "| " + (next ? std::string(next, len) : "<none>");
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
        {"(Z1 A)", "A z1"},
        {"(z0 A)", "A z0"},
        {"D[3]", "D[3]"},
        {"D[0:3]", "D[3:0]"},
        {"D[3:0]", "D[3:0]"},
        {"(posedge top.D[7:15])", "top.D[15:7] posedge"},
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

    Input input("A");
    input.rd->mode = MODE_ECHO;
    PortSpec port;
    EXPECT_EQ(0, sdf_read_port(input.rd, &port));
    EXPECT_EQ('A', *sdf_next_char(input.rd));
}

TEST(SdfReadValues, ListLengthsAndFailures)
{
    EXPECT_EQ("(1) - - - - - | X", read_values("(1)) X"));
    EXPECT_EQ("(1) (2) - - - - | X", read_values("(1) (2)) X"));
    EXPECT_EQ("(1) (2) (3) (4) (4) (4) | X", read_values("(1)(2)(3)(4)) X"));
    EXPECT_EQ("(1) (2) (3) (4) (5) (5) | X", read_values("(1)(2)(3)(4)(5)) X"));
    EXPECT_EQ("(1) (2) (3) (4) (5) (6) | X", read_values("(1)(2)(3)(4)(5)(6)) X"));
    EXPECT_EQ("(1) (2) (3) (4) (5) (6) | X",
              read_values("(1)(2)(3)(4)(5)(6)(7)(8)(9)(10)(11)(12)) X"));
    // "()" is present, unlike the positions that were not written.
    EXPECT_EQ("() - - - - - | X", read_values("()) X"));
    EXPECT_EQ("(1:2:3) () (::-3) - - - | X", read_values("(1:2:3) () (::-3)) X"));

    EXPECT_EQ("0 t.sdf, line 1 - Error : No values provided\n", read_values(")"));
    EXPECT_EQ("0 t.sdf, line 2 - Error : Expecting '('\n", read_values("(1)\n x)"));
    EXPECT_EQ("0 t.sdf, line 1 - Error : Pulse rejection and X filter delvals not supported\n",
              read_values("((1) (2)))"));
    EXPECT_EQ("0 t.sdf, line 1 - Error : Expecting ':' or ')'\n", read_values("(1 2))"));
    EXPECT_EQ("0 t.sdf, line 2 - Error : Expecting number\n\n", read_values("(1:"));
    EXPECT_EQ("0 t.sdf, line 1 - Error : Expecting ')' at end of triple\n", read_values("(1) (1:2:3))"));
    EXPECT_EQ("0 t.sdf, line 1 - Error : Expecting ':'\n", read_values("(1:2:3) (4))"));
    EXPECT_EQ("0 t.sdf, line 1 - Error : Expecting ':'\n", read_values("() (1:2:3) (4))"));
}

TEST(SdfReadTriple, FormAndFirstComponent)
{
    Input input("() (0.1::0.3) (-1) (.5::)");
    ValueTriple v;
    sdf_next_char(input.rd);
    ASSERT_EQ(1, sdf_read_triple(&v, input.rd));
    EXPECT_EQ(FORM_UNDECIDED, input.rd->triple_form);
    sdf_next_char(input.rd);
    ASSERT_EQ(1, sdf_read_triple(&v, input.rd));
    EXPECT_EQ(FORM_TRIPLE, input.rd->triple_form);
    EXPECT_EQ("(0.1::0.3)", dump_value(v));
    EXPECT_EQ(nullptr, v.typ);

    // A sign on the first component is left to the caller, unreported.
    sdf_next_char(input.rd);
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, sdf_read_triple(&v, input.rd));
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    sdf_skip_entry(input.rd);
    sdf_next_char(input.rd);
    ASSERT_EQ(1, sdf_read_triple(&v, input.rd));
    EXPECT_STREQ(".5", v.min);
    Input words("(+1) (RETAIN (1))");
    sdf_next_char(words.rd);
    EXPECT_EQ(-1, sdf_read_triple(&v, words.rd));
    sdf_skip_entry(words.rd);
    sdf_next_char(words.rd);
    EXPECT_EQ(-1, sdf_read_triple(&v, words.rd));

    // Template values are names, in the form of the template's own file.
    EXPECT_EQ("(tPD) () - - - - | X", read_values("(tPD) ()) X", 1));
    EXPECT_EQ("(tR:tRT:tRX) (::tPD) - - - - | X", read_values("(tR:tRT:tRX) (::tPD)) X", 1));
}

} // namespace
