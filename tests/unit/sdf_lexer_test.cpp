#include "test_util.h"

namespace {

// Runs `ops` over the reader: k keyword, t token, n number, q quoted string,
// c next character, s skip entry (1 when it succeeded). Results are joined
// by '|'; a failed request is "$" at the end of input, "!" after an error.
std::string run(SdfReader *rd, const char *ops)
{
    std::string out;
    for (const char *op = ops; *op; op++) {
        SdfToken t{nullptr, 0};
        char c = '\0';
        bool ok = false;
        switch (*op) {
        case 'k': ok = sdf_keyword(rd, &t); break;
        case 't': ok = sdf_token(rd, &t); break;
        case 'n': ok = sdf_number(rd, &t); break;
        case 'q': ok = sdf_quoted(rd, &t); break;
        case 'c': ok = sdf_next_char(rd, &c); t = SdfToken{&c, ok ? 1 : 0}; break;
        case 's': out += (out.empty() ? "" : "|") + std::to_string(sdf_skip_entry(rd)); continue;
        }
        EXPECT_TRUE(ok || (t.len == 0 && c == '\0')) << ops;
        out += (out.empty() ? "" : "|") +
               (ok ? std::string(t.text, static_cast<size_t>(t.len)) : sdf_at_end(rd) ? "$" : "!");
    }
    return out;
}

std::string lex(const std::string &text, const char *ops)
{
    Reader r(text);
    return run(r.rd, ops);
}

TEST(SdfLexer, TokensMessagesAndEcho)
{
    const struct {
        std::string text;
        const char *ops, *tokens, *messages;
        const char *echo = nullptr; // MODE_ECHO: what was passed over
        int line = 0;               // when not 0: the line count at the end
    } cases[] = {
        // Comments and blanks are passed over and copied exactly; a '/' that
        // ends the input starts no comment.
        {"  \t// line ) comment\r\n/* block\n ( **/\r\n\v\f/***/ \n( / x/", "ccccc",
         "(|/|x|/|$", "",
         "  \t// line ) comment\r\n/* block\n ( **/\r\n\v\f/***/ \n  ", 5},
        {"x /* never\nclosed\n", "ccc", "x|!|$",
         "t.sdf, line 3 - Error : End of file inside comment.\n"},
        {"// no newline", "c", "$", "t.sdf, line 1 - Warning : End of file inside comment.\n",
         "// no newline"},
        // A keyword is a run of letters.
        {"2.1 posedge z1 CELL_X(\n", "kkkkkkkkkkk", "2|.|1|posedge|z|1|CELL|_|X|(|$", ""},
        {"D[3:0]) top.u1/x a\\[1\\].b\\ c 7[2][3] *x \\q q\\\\[1] _a.\n", "ttttttttttttttttt",
         "D[3:0]|)|top.u1|/|x|a\\[1\\].b\\ c|7[2]|[|3|]|*|x|\\|q|q\\\\[1]|_a.|$", ""},
        {"A[3:x] B[1.2] C[4 ]\n", "ttttttt", "!|x|]|!|.2|]|C[4",
         "t.sdf, line 1 - Error : Illegal range specifier\n"
         "t.sdf, line 1 - Error : Illegal range specifier\n"},
        {"0.5:0.6 :-1.5e-3) 12abc +x 0x1p3 \"a (b) c\" \"\"x\n", "ncnnnnnknnnqqqqn",
         "0.5|:|0.6|:|-1.5e-3|)|12|abc|+|x|0x1p3|a (b) c||!|$|$",
         "t.sdf, line 1 - Error : Expecting quoted string\n\n"
         "t.sdf, line 2 - Error : Expecting number\n\n"},
        {"1.2.3 -.5 5. 1e5 .) -+1", "nnnnnnnnn", "1.2|.3|-.5|5.|1e5|.|)|-|+1", ""},
        {"\"tab\there\"", "q", "!", "t.sdf, line 1 - Error : Illegal character in string\n\n"},
        {"\n\"open\n\"", "q", "!", "t.sdf, line 2 - Error : Unterminated string\n\n"},
        {"\"open", "q", "!", "t.sdf, line 1 - Error : Unterminated string\n\n"},
        // Skipping copies through the closing bracket, over strings and comments.
        {"( x \"a)b//c\" (y /* ) */ (z)) // )\n\t) /1", "cscn", "(|1|/|1", "",
         " x \"a)b//c\" (y /* ) */ (z)) // )\n\t) ", 2},
        {" (a b)\n", "ss", "0|0",
         "t.sdf, line 2 - Error : Missing ')' at end of file.\n\n"
         "t.sdf, line 2 - Error : Missing ')' at end of file.\n\n"},
        {" a /* b", "s", "0", "t.sdf, line 1 - Error : End of file inside comment.\n"},
        {" a // b", "s", "0", "t.sdf, line 1 - Warning : End of file inside comment.\n"},
        {" \"a\n\" )", "s", "0", "t.sdf, line 1 - Error : Unterminated string.\n\n"},
        {" \"b\tc\" )", "s", "0", "t.sdf, line 1 - Error : Illegal tab character in string.\n\n"},
        // The end of the input is final; a NUL byte is a blank.
        {std::string("a\0b", 3) + " (", "kkkkktcs", "a|b|(|$|$|$|$|0",
         "t.sdf, line 1 - Error : Missing ')' at end of file.\n\n",
         "  "},
    };
    for (const auto &c : cases) {
        Reader r(c.text, c.echo ? MODE_ECHO : MODE_COLLECT);
        capture_stderr();
        EXPECT_EQ(c.tokens, run(r.rd, c.ops)) << c.text;
        EXPECT_EQ(c.messages, captured_stderr()) << c.text;
        EXPECT_EQ(c.echo ? c.echo : "", r.echoed()) << c.text; // collecting copies nothing
        if (c.line) {
            EXPECT_EQ(c.line, r.rd->source->line) << c.text;
        }
    }

    Reader slash("top/u1.x\n");
    slash.rd->divider = '/';
    EXPECT_EQ("top/u1|.", run(slash.rd, "tt"));
}

TEST(SdfLexer, TokensAcrossPieceBoundaries)
{
    // Lines whose first piece ends with the first `split` characters of a token.
    const char *words[][2] = {{"CELLTYPE", "k"}, {"top.u\\1[7:0]", "t"}, {"-1.25e-3", "n"}, {"12.5", "n"}};
    for (size_t split = 1; split < 7; split++)
        for (const auto &w : words)
            EXPECT_EQ(w[0], lex(std::string(SDF_LINE_BUF - 1 - split, ' ') + w[0] + " \n", w[1])) << split;
    std::string text = std::string(SDF_LINE_BUF - 2, ' ') + "/* c */ \nX";
    Reader comment(text, MODE_ECHO);
    EXPECT_EQ("X", run(comment.rd, "c"));
    EXPECT_EQ(text.substr(0, text.size() - 1), comment.echoed());

    // The end of the input ends a token; only a token filling the buffer fails.
    EXPECT_EQ("CELL|top.u1", lex(std::string(SDF_LINE_BUF - 2, ' ') + "\nCELL top.u1", "kt"));
    capture_stderr();
    EXPECT_EQ("!|" + std::string(11, 'a'), lex(std::string(SDF_LINE_BUF + 10, 'a') + "\n", "kk"));
    EXPECT_EQ("!", lex(std::string(SDF_LINE_BUF - 1, 'b'), "t"));
    EXPECT_EQ("t.sdf, line 1 - Error : Internal buffer overflow reading keyword\n\n"
              "t.sdf, line 1 - Error : Internal buffer overflow reading token\n\n",
              captured_stderr());
}

TEST(SdfLexer, KeywordRuleAndStore)
{
    EXPECT_TRUE(sdf_is_keyword("CELLTYPE", "celltype", 8));
    EXPECT_FALSE(sdf_is_keyword("CELLTYPE", "CELLTYPES", 9) || sdf_is_keyword("CELL", "CELLTYPE", 8));
    EXPECT_FALSE(sdf_is_keyword("CELL", nullptr, 0));

    // The store only collects and never moves a string once stored.
    EXPECT_EQ(nullptr, sdf_store("abc", 3, Reader("", MODE_ECHO).rd));
    Reader r("");
    std::string big(SDF_STORE_BLOCK / 2, 'x');
    char *a = sdf_store("abc", 2, r.rd);
    char *b = sdf_store(big.data(), static_cast<int>(big.size()), r.rd);
    char *c = sdf_store(big.data(), static_cast<int>(big.size()), r.rd);
    EXPECT_STREQ("ab", a);
    EXPECT_TRUE(b == a + 3 && c != b + big.size() + 1 && big == b && big == c);
    EXPECT_RUN_EXIT(sdf_store(std::string(SDF_STORE_BLOCK, 'y').c_str(), SDF_STORE_BLOCK, r.rd),
                1, "t.sdf, line 0 - Error : Token too long to store");
}

// Entries with runs the block skipper passes whole, each followed by a
// character it must hand back or count, placed on the last character of a
// 2047-character piece or next to it; after each entry a quoted string, which
// is read within one piece, so a piece cut in the wrong place shows.
std::string piece_end_entries(unsigned &seed)
{
    static const char *const stops[] = {"\"s\"", "\n", "/*)*/", "/*\n*/", "// ) \"\n", "/ ", ")(", "\t", "x"};
    auto next = [&seed](size_t n) { return ((seed = seed * 1103515245u + 12345u) >> 16 & 0x7fffu) % n; };
    std::string text;
    // Blanks up to `shift` characters past the third-last of a piece.
    auto to_piece_end = [&](size_t shift) {
        size_t column = text.size() - (text.rfind('\n') + 1);
        size_t piece = SDF_LINE_BUF - 1;
        text += std::string((2 * piece - 2 - column % piece + shift) % piece, ' ');
    };
    for (int entry = 0; entry < 6; entry++) {
        text += "((";
        for (int part = 0; part < 3; part++) {
            to_piece_end(next(3));
            text += stops[next(sizeof stops / sizeof *stops)];
        }
        for (int close = 0; close < 2; close++) {
            to_piece_end(next(3));
            text += ")";
        }
        to_piece_end(next(2) ? 2 : SDF_LINE_BUF - 2); // the string just fits either piece
        text += "\"q\"";
    }
    return text.substr(0, text.size() - next(2) * 500);
}

} // namespace

// Skipping entries block-wise reads exactly as skipping them piece by piece:
// the same results, tokens, lines, messages and echo, whatever the size of
// the read-ahead block and wherever its seams fall.
TEST(SdfLexer, BlockSkipMatchesPieceSkip)
{
    unsigned seed = 11;
    for (int round = 0; round < 40; round++) {
        std::string text = piece_end_entries(seed);
        std::string want[2];
        for (size_t block : {SDF_INPUT_BLOCK, size_t(4096), size_t(33), size_t(1)}) {
            for (int piece_skip : {1, 0}) {
                Reader r(text, MODE_ECHO, 0, block);
                r.rd->piece_skip = piece_skip;
                capture_stderr();
                std::string got = run(r.rd, "csqcsqcsqcsqcsqcsq");
                got += "|" + std::to_string(r.rd->source->line) + "|" + captured_stderr() + r.echoed();
                if (piece_skip)
                    want[0] = got;
                else
                    EXPECT_EQ(want[0], got) << "round " << round << " block " << block;
            }
        }
    }
}

TEST(SdfLexer, LineCountPastTwoToThe31)
{
    // The count starts just below 2^31; the skipped entry has newlines both in
    // whole chunks of plain text and next to brackets.
    const std::string blanks(70, ' ');
    Reader r("a\n(b" + blanks + "\n\n\n" + blanks + "\n(c\nd))\n\nx (");
    r.rd->source->line = (1LL << 31) - 1;
    capture_stderr();
    EXPECT_EQ("a|(|1|x|(", run(r.rd, "kcskc"));
    EXPECT_EQ((1LL << 31) + 8, r.rd->source->line);
    EXPECT_EQ("0", run(r.rd, "s"));
    EXPECT_EQ("t.sdf, line 2147483656 - Error : Missing ')' at end of file.\n\n", captured_stderr());
}
