#include "test_util.h"

#include <cstdlib>
#include <cstring>

#include "sdf/sdf_delay.h"

namespace {

std::string values_text(const ValueTriple v[6])
{
    std::string s;
    for (int i = 0; i < 6; i++)
        s += v[i].absent ? "" : value_text(v[i]);
    return s;
}

// One line per entry after "(DELAY" and the next character; or "failed" and
// the messages.
std::string read_delay(const std::string &block, int template_syntax = 0, PathEntry **iopaths = nullptr)
{
    Reader r(block + "\n", MODE_COLLECT, template_syntax);
    PathEntry *e, **first = iopaths ? iopaths : &e;
    PathDelay *p;
    InterconnectDelay *n;
    capture_stderr();
    if (!sdf_read_delay(r.rd, first, &p, &n))
        return "failed " + captured_stderr();
    std::string s;
    for (e = *first; e; e = e->next) {
        s += "IOPATH " + port_text(e->in_port) + " " + port_text(e->out_port) + " " + values_text(e->delays) +
             (e->has_retain ? " retain=" + values_text(e->retain) + "\n" : "\n");
    }
    for (; p; p = p->next)
        s += "PATH " + port_text(p->port) + " " + values_text(p->delays) + "\n";
    for (; n; n = n->next)
        s += "INTERCONNECT " + port_text(n->from_port) + " " + port_text(n->to_port) + " " +
             values_text(n->delays) + "\n";
    char *next = sdf_next_char(r.rd);
    return s + "next " + (next ? *next : '$') + "\n" + captured_stderr();
}

TEST(SdfReadDelay, EntriesOfTheAbsoluteBlockAndTheirMeans)
{
    PathEntry *e;
    EXPECT_EQ("IOPATH posedge CK Q[1] (1)(2)\n"
              "IOPATH A Y (3)()(9)(6)(6)(6) retain=(0.5)(0.25)\n"
              "PATH u3.Z (8)(9)(10)(11)(11)(11)\nINTERCONNECT u1.Y u2.A[3:0] (7)\nnext N\n"
              "t.sdf, line 3 - Warning : Unknown entry in DELAY block, skipping\n",
              read_delay("(ABSOLUTE\n  (IOPATH (posedge CK) Q[1] (1) (2))\n  (PORT A (5))\n"
                         "  (INTERCONNECT u1.Y u2.A[3:0] (7)) (PATH u3.Z (8) (9) (10) (11))\n"
                         "  (IOPATH A Y (RETAIN (0.5) (0.25)) (3) () (9) (6)))\n"
                         "(INCREMENT (IOPATH A Y (1)))\n) NEXT",
                         0, &e));
    // Means over the values that have the component; repeated positions count again.
    EXPECT_TRUE(e->score == -1 && e->mean_delay[0] == 1.5 && e->next->mean_delay[0] == 6);
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

// Condition texts and how they stand to the input edge show in the audit
// log of end-to-end runs.

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

} // namespace
