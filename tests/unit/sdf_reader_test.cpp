#include "test_util.h"

#include "sdf/sdf_input.h"
#include "sdf/sdf_reader.h"

namespace {

// Header values, the header errors reading survives, copied text, the
// collected cells and the scale shifts of the templates' defaults show in
// end-to-end runs; here: inputs that yield nothing.
TEST(SdfRead, RejectedInputs)
{
    Registry reg;
    reg.add("DFF");
    const std::string PREMATURE = "Error : Premature end of file found.\n";
    const std::string cases[][2] = {
        {"/* only */\n", "line 2 - Error : Expecting '('.  Bailing out\n\n"},
        {"(DELAYFOO)", "line 1 - Error : Expected 'DELAYFILE'.  Bailing out\n\n"},
        {"(DELAYFILE\n(SDFVERSION \"2.2\")", "line 2 - Error : SDF file must be vesrion 2.1, 3.0 or 4.0\n"},
        {"(DELAYFILE (SDFVERSION \"3.0\")\n", "line 2 - " + PREMATURE},
        {"(DELAYFILE (CELL (CELLTYPE \"BUF\") (INSTANCE a))", "line 1 - " + PREMATURE},
        {"(DELAYFILE (CELL (INSTANCE a)", "line 1 - " + PREMATURE},
        {"(DELAYFILE (CELL (CELLTYPE \"DFF\") (INSTANCE a)", "line 1 - Error : Expected open bracket\n"},
        {"(DELAYFILE (CELL (CELLTYPE \"DFF\") (INSTANCE a) x))", "line 1 - Error : Expected open bracket\n"},
        {"(DELAYFILE (CELL (CELLTYPE \"BUF\") (INSTANCE \"a\n\")))", "line 1 - Error : Unterminated string.\n\n"},
    };
    for (const auto &c : cases) {
        KeepAllocations keep;
        std::string text = c[0];
        FILE *in = fmemopen(&text[0], text.size(), "r");
        Scratch out;
        capture_stderr();
        EXPECT_EQ(nullptr, sdf_read("in.sdf", "out.sdf", in, out.f, reg.setup())) << text;
        EXPECT_EQ("in.sdf, " + c[1], captured_stderr()) << text;
        fclose(in);
    }
}

// Each collected instance is linked to the template serving its own type,
// whichever template was registered first; copied cells are not collected.
TEST(SdfRead, InstancesLinkToTheirOwnTemplate)
{
    Registry reg;
    CellInstance *buf = reg.add("BUF");
    CellInstance *dff = reg.add("DFF");
    std::string text = "(DELAYFILE (CELL (CELLTYPE \"BUF\") (INSTANCE a))"
                       " (CELL (CELLTYPE \"INV\") (INSTANCE b))"
                       " (CELL (CELLTYPE \"dff\") (INSTANCE c)))";
    FILE *in = fmemopen(&text[0], text.size(), "r");
    Scratch out;
    CellInstance *cells = sdf_read("in.sdf", "out.sdf", in, out.f, reg.setup());
    fclose(in);
    ASSERT_NE(nullptr, cells);
    ASSERT_NE(nullptr, cells->next);
    EXPECT_EQ(nullptr, cells->next->next);
    EXPECT_STREQ("a", cells->instance);
    EXPECT_EQ(buf, cells->template_cell);
    EXPECT_STREQ("c", cells->next->instance);
    EXPECT_EQ(dff, cells->next->template_cell);
}

struct ReadResult {
    bool cells;
    std::string output;
    std::string messages;
};

ReadResult read_with_block(const Registry &reg, std::string text, size_t block)
{
    KeepAllocations keep;
    FILE *in = fmemopen(&text[0], text.size(), "r");
    Scratch out;
    capture_stderr();
    bool cells = sdf_read("in.sdf", "out.sdf", in, out.f, reg.setup(block)) != nullptr;
    std::string messages = captured_stderr();
    fclose(in);
    return {cells, out.text(), messages};
}

// Cell bodies mixing what the entry skipper treats alike and what it must
// look at one character at a time, with lines around the piece length.
std::string mixed_body(unsigned &seed, size_t length)
{
    static const char *const parts[] = {
        "(IOPATH A Z (1:2:3) (4:5:6))", "\n", "/* c ) ( */", "// line ) (\n", "\"str ( ) / x\"",
        "" /* a NUL byte */, "\t", "/", "x", "u1/u2 ", "(", ")", "  ",
        "(COND A==1 (IOPATH B Z (1::2)))"};
    std::string body;
    while (body.size() < length) {
        seed = seed * 1103515245u + 12345u;
        const char *part = parts[(seed >> 16) % (sizeof parts / sizeof *parts)];
        body += *part ? std::string(part) : std::string(1, '\0');
    }
    return body;
}

// Reading ahead in blocks of any size yields what piece-wise reading yields:
// the same output, messages and lines, whatever falls on a block seam; and
// the same text compressed in two members reads alike, whatever falls on a
// seam between blocks or members.
TEST(SdfRead, BlockSeamsChangeNothing)
{
    Registry reg;
    reg.add("DFF");
    const size_t lengths[] = {5, 300, 2046, 2047, 2048, 4100};
    unsigned seed = 7;
    for (int round = 0; round < 40; round++) {
        std::string text = "(DELAYFILE (SDFVERSION \"3.0\") (DIVIDER /)\n";
        for (int cell = 0; cell < 4; cell++) {
            std::string body = mixed_body(seed, lengths[(seed >> 8) % 6]);
            int open = 0;
            for (char c : body)
                open += c == '(' ? 1 : c == ')' ? -1 : 0;
            if (round % 5 != 4)
                body.append(open > 0 ? open : 0, ')');
            text += std::string("(CELL (CELLTYPE \"") + (cell == 2 ? "DFF" : "BUF") +
                    "\") (INSTANCE i) (DELAY (ABSOLUTE " + body + ")))" +
                    std::string((seed >> 4) % 3 ? 1 : 2041, round % 2 ? ' ' : '\n');
        }
        text += ")\n";
        if (round % 3 == 2)
            text.resize(text.size() * 2 / 3);
        ReadResult whole = read_with_block(reg, text, SDF_INPUT_BLOCK);
        for (size_t block : {1, 2, 3, 15, 16, 17, 100, 2047}) {
            ReadResult seamed = read_with_block(reg, text, block);
            EXPECT_EQ(whole.cells, seamed.cells) << "round " << round << " block " << block;
            EXPECT_EQ(whole.output, seamed.output) << "round " << round << " block " << block;
            EXPECT_EQ(whole.messages, seamed.messages) << "round " << round << " block " << block;
            ReadResult packed = read_with_block(reg, gzip_members(text, {seed % text.size()}), block);
            EXPECT_EQ(whole.cells, packed.cells) << "round " << round << " block " << block;
            EXPECT_EQ(whole.output, packed.output) << "round " << round << " block " << block;
            EXPECT_EQ(whole.messages, packed.messages) << "round " << round << " block " << block;
        }
    }
}

} // namespace
