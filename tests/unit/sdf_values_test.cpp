#include "test_util.h"

#include "sdf/sdf_values.h"

namespace {

// The result of sdf_read_port and its messages.
std::string read_port(const char *text, int template_syntax = 0, const char *end = "\n")
{
    Reader r(std::string(text) + end, MODE_COLLECT, template_syntax);
    PortSpec p = {nullptr, 0, 0, 0};
    capture_stderr();
    int result = sdf_read_port(r.rd, &p);
    return std::to_string(result) + " " + captured_stderr();
}

// The six positions, the token after the list and the file's value form
// (Triple, Single, Undecided); or "0" and the messages.
std::string read_values(const char *text, int template_syntax, int extended = 0)
{
    Reader r(std::string(text) + "\n", MODE_COLLECT, template_syntax);
    r.rd->extended = extended;
    ValueTriple v[6];
    capture_stderr();
    bool read = sdf_read_values(r.rd, v);
    std::string err = captured_stderr();
    if (!read)
        return "0 " + err;
    std::string s;
    for (int i = 0; i < 6; i++)
        s += value_text(v[i]) + " ";
    SdfToken next;
    std::string after = sdf_token(r.rd, &next) ? std::string(next.text, static_cast<size_t>(next.len)) : "$";
    return s + "| " + after + " " + "TSU"[r.rd->triple_form];
}

// Edges, bus ranges and escaped names show in the audit log of end-to-end
// runs, list lengths and value forms in their output.
TEST(SdfReadPort, Failures)
{
    const char *const cases[][2] = {
        {"(COND A B)", "2 "},
        {"(foo A)", "0 t.sdf, line 1 - Error : Expecting edge specifier\n"},
        {"(posedge A B)", "0 t.sdf, line 1 - Error : Expecting ')'\n"},
        {"D[]", "0 t.sdf, line 1 - Error : Port \"D\" - bad range\n"},
        {"D[:3]", "0 t.sdf, line 1 - Error : Port \"D\" - bad range\n"},
        // Indices beyond int once reached the template's bus expansion as
        // millions of bits.
        {"D[2147483648]", "0 t.sdf, line 1 - Error : Port \"D\" - bad range\n"},
        {"D[0000000000000000000008198552921648689516:4]", "0 t.sdf, line 1 - Error : Port \"D\" - bad range\n"},
        {"D[2147483647:-2147483648]", "1 "},
        {"(posedge", "0 t.sdf, line 2 - Error : Premature end of file found.\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c[1], read_port(c[0])) << c[0];

    // A template's bus becomes one entry per bit: a width of millions of
    // bits once exhausted memory. Inputs are not split, so any width goes.
    EXPECT_EQ("1 ", read_port("Q[65536:1]", 1));
    EXPECT_EQ("0 t.sdf, line 1 - Error : Port \"Q\" - bad range\n", read_port("Q[0:65536]", 1));
    EXPECT_EQ("1 ", read_port("Q[20000000:0]"));

    // A bad range on the last line: once that line has met the end of the
    // input, the end is reported after the lexer's error.
    const std::string BAD = "0 t.sdf, line 1 - Error : Illegal range specifier\n";
    EXPECT_EQ(BAD, read_port("Q[3x]"));
    EXPECT_EQ(BAD + "t.sdf, line 1 - Error : Premature end of file found.\n", read_port("Q[3x]", 0, ""));

    // Ports are read only while collecting, and then nothing is consumed.
    Reader echo("A", MODE_ECHO);
    PortSpec port;
    EXPECT_EQ(PORT_FAILED, sdf_read_port(echo.rd, &port));
    char c;
    EXPECT_TRUE(sdf_next_char(echo.rd, &c) && c == 'A');
}

TEST(SdfReadValues, FormsAndFailures)
{
    const struct {
        const char *text;
        int template_syntax;
        const char *expected;
    } cases[] = {
        {"(1)(2)(3)) X", 0, "(1) (2) (3) - - - | X S"},
        // "()" is present, unlike the positions not written, and decides no form.
        {"()) X", 0, "() - - - - - | X U"},
        // Template values are names, in the form of the template's own file.
        {"(tPD) ()) X", 1, "(tPD) () - - - - | X S"},
        {"(tR:tRT:tRX) (::tPD)) X", 1, "(tR:tRT:tRX) (::tPD) - - - - | X T"},
        // A first component that is no number is left to the caller, unreported.
        {"(-1)) X", 0, "0 "}, {"(+1)) X", 0, "0 "},
        {")", 0, "0 t.sdf, line 1 - Error : No values provided\n"},
        {"(1)\n x)", 0, "0 t.sdf, line 2 - Error : Expecting '('\n"},
        {"((1) (2)))", 0, "0 t.sdf, line 1 - Error : Pulse rejection and X filter delvals not supported\n"},
        {"(1 2))", 0, "0 t.sdf, line 1 - Error : Expecting ':' or ')'\n"},
        {"(1:", 0, "0 t.sdf, line 2 - Error : Expecting number\n\n"},
        {"(1) (1:2:3))", 0, "0 t.sdf, line 1 - Error : Expecting ')' at end of triple\n"},
        {"() (1:2:3) (4))", 0, "0 t.sdf, line 1 - Error : Expecting ':'\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, read_values(c.text, c.template_syntax)) << c.text;
}

// Read extended, a minus sign may lead a number; the text keeps it.
TEST(SdfReadValues, ExtendedSigns)
{
    const char *const cases[][2] = {
        {"(-1) (-.5) (-.) (-0)) X", "(-1) (-.5) (-.) (-0) (-0) (-0) | X S"},
        {"(-1.5e-3:-2:)) X", "(-1.5e-3:-2:) - - - - - | X T"},
        {"(-)) X", "0 "}, {"(-inf)) X", "0 "}, {"(-nan)) X", "0 "},
        {"(+1)) X", "0 "}, {"(-x)) X", "0 "}, {"(--1)) X", "0 "},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c[1], read_values(c[0], 0, 1)) << c[0];
}

} // namespace
