#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sdf/sdf_lexer.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace {

typedef char *(*ReadOp)(SdfReader *, int *);

// Readers and their records live until the process ends; the leak checker
// is told so while a test holds them.
struct KeepAllocations {
#ifdef __SANITIZE_ADDRESS__
    KeepAllocations() { __lsan_disable(); }
    ~KeepAllocations() { __lsan_enable(); }
#endif
};

// A reader named "input" over `text`, echoing to a scratch file.
struct Lexer {
    Lexer(const std::string &text, int mode = MODE_COLLECT) : in(tmpfile()), out(tmpfile())
    {
        fwrite(text.data(), 1, text.size(), in);
        rewind(in);
        rd = sdf_reader_create(in, "input", "out", out, mode, 0);
    }
    ~Lexer()
    {
        fclose(in);
        fclose(out);
    }
    std::string echoed()
    {
        fflush(out);
        rewind(out);
        std::string s;
        for (int c; (c = getc(out)) != EOF;)
            s += static_cast<char>(c);
        return s;
    }
    std::string read(ReadOp op)
    {
        int len = -1;
        char *t = op(rd, &len);
        return t ? std::string(t, static_cast<size_t>(len)) : "<none>" + std::to_string(len);
    }
    std::string keyword() { return read(sdf_keyword); }
    std::string token() { return read(sdf_token); }
    std::string number() { return read(sdf_number); }
    std::string quoted() { return read(sdf_quoted); }
    char next() { char *c = sdf_next_char(rd); return c ? *c : '$'; }
    KeepAllocations keep;
    FILE *in, *out;
    SdfReader *rd;
};

// A line whose first piece ends with the first `split` characters of `word`.
std::string split_line(const std::string &word, size_t split)
{
    return std::string(SDF_LINE_BUF - 1 - split, ' ') + word + " \n";
}

TEST(SdfLexer, EchoesBlanksAndCommentsExactly)
{
    const std::string text = "  \t// line ) comment\r\n/* block\n ( **/\r\n\v\f/***/ \n( / x/";
    Lexer lx(text, MODE_ECHO);
    EXPECT_EQ('(', lx.next());
    EXPECT_EQ(text.substr(0, text.size() - 6), lx.echoed());
    EXPECT_EQ(5, lx.rd->source->line);
    EXPECT_EQ('/', lx.next());
    EXPECT_EQ('x', lx.next());
    EXPECT_EQ('/', lx.next()); // the last character of the input starts no comment
    EXPECT_EQ('$', lx.next());

    testing::internal::CaptureStderr();
    Lexer block("x /* never\nclosed\n");
    EXPECT_EQ('x', block.next());
    EXPECT_EQ('$', block.next());
    EXPECT_EQ('$', block.next());
    Lexer line("// no newline", MODE_ECHO);
    EXPECT_EQ('$', line.next());
    EXPECT_EQ("// no newline", line.echoed());
    EXPECT_EQ("input, line 3 - Error : End of file inside comment.\n"
              "input, line 1 - Warning : End of file inside comment.\n",
              testing::internal::GetCapturedStderr());
}

TEST(SdfLexer, KeywordsAndTheKeywordRule)
{
    EXPECT_TRUE(sdf_is_keyword("CELLTYPE", "celltype", 8));
    EXPECT_FALSE(sdf_is_keyword("CELLTYPE", "CELLTYPES", 9));
    EXPECT_FALSE(sdf_is_keyword("CELL", "CELLTYPE", 8));
    EXPECT_EQ(0, keyword_ncmp("CELL", "cellxyz", 4));
    EXPECT_LT(keyword_ncmp("CELL", "CELLTYPE", 8), 0);

    Lexer lx("2.1 posedge z1 CELL_X(\n");
    for (const char *want : {"2", ".", "1", "posedge", "z", "1", "CELL", "_", "X", "(", "<none>0"})
        EXPECT_EQ(want, lx.keyword());
}

TEST(SdfLexer, Identifiers)
{
    Lexer lx("D[3:0]) top.u1/x a\\[1\\].b\\ c 7[2][3] *x \\q q\\\\[1] _a.\n");
    for (const char *want : {"D[3:0]", ")", "top.u1", "/", "x", "a\\[1\\].b\\ c", "7[2]", "[",
                             "3", "]", "*", "x", "\\", "q", "q\\\\[1]", "_a.", "<none>0"})
        EXPECT_EQ(want, lx.token());
    Lexer slash("top/u1.x\n");
    slash.rd->divider = '/';
    EXPECT_EQ("top/u1", slash.token());

    testing::internal::CaptureStderr();
    Lexer bad("A[3:x] B[1.2] C[4 ]\n");
    for (const char *want : {"<none>0", "x", "]", "<none>0", ".2", "]", "C[4"})
        EXPECT_EQ(want, bad.token());
    EXPECT_EQ("input, line 1 - Error : Illegal range specifier\n"
              "input, line 1 - Error : Illegal range specifier\n",
              testing::internal::GetCapturedStderr());
}

TEST(SdfLexer, NumbersAndQuotedStrings)
{
    Lexer lx("0.5:0.6 :-1.5e-3) 12abc +x 0x1p3 \"a (b) c\" \"\"x\n");
    EXPECT_EQ("0.5", lx.number());
    EXPECT_EQ(':', lx.next());
    for (const char *want : {"0.6", ":", "-1.5e-3", ")", "12"})
        EXPECT_EQ(want, lx.number());
    EXPECT_EQ("abc", lx.keyword());
    for (const char *want : {"+", "x", "0x1p3"})
        EXPECT_EQ(want, lx.number());
    EXPECT_EQ("a (b) c", lx.quoted());
    EXPECT_EQ("", lx.quoted());
    testing::internal::CaptureStderr();
    EXPECT_EQ("<none>0", lx.quoted());
    EXPECT_EQ("<none>0", lx.quoted());
    EXPECT_EQ("<none>0", lx.number());
    Lexer tab("\"tab\there\"");
    EXPECT_EQ("<none>0", tab.quoted());
    Lexer newline("\n\"open\n\"");
    EXPECT_EQ("<none>0", newline.quoted());
    Lexer end("\"open");
    EXPECT_EQ("<none>0", end.quoted());
    EXPECT_EQ("input, line 1 - Error : Expecting quoted string\n\n"
              "input, line 2 - Error : Expecting number\n\n"
              "input, line 1 - Error : Illegal character in string\n\n"
              "input, line 2 - Error : Unterminated string\n\n"
              "input, line 1 - Error : Unterminated string\n\n",
              testing::internal::GetCapturedStderr());
}

TEST(SdfLexer, SkipEntryCopiesThroughClosingBracket)
{
    const std::string entry = " x \"a)b//c\" (y /* ) */ (z)) // )\n\t)";
    Lexer lx("(" + entry + " /1", MODE_ECHO);
    EXPECT_EQ('(', lx.next());
    EXPECT_EQ(0, sdf_skip_entry(lx.rd));
    EXPECT_EQ(entry, lx.echoed());
    EXPECT_EQ('/', lx.next());
    EXPECT_EQ("1", lx.number());
    EXPECT_EQ(2, lx.rd->source->line);

    testing::internal::CaptureStderr();
    Lexer open(" (a b)\n");
    EXPECT_EQ(1, sdf_skip_entry(open.rd));
    EXPECT_EQ(1, sdf_skip_entry(open.rd));
    Lexer comment(" a /* b");
    EXPECT_EQ(1, sdf_skip_entry(comment.rd));
    Lexer string(" \"a\n\" )");
    EXPECT_EQ(1, sdf_skip_entry(string.rd));
    Lexer tab(" \"b\tc\" )");
    EXPECT_EQ(1, sdf_skip_entry(tab.rd));
    EXPECT_EQ("input, line 2 - Error : Missing ')' at end of file.\n\n"
              "input, line 2 - Error : Missing ')' at end of file.\n\n"
              "input, line 1 - Error : End of file inside comment.\n"
              "input, line 1 - Error : Unterminated string.\n\n"
              "input, line 1 - Error : Illegal tab character in string.\n\n",
              testing::internal::GetCapturedStderr());
}

TEST(SdfLexer, TokensAcrossPieceBoundaries)
{
    for (size_t split = 1; split < 7; split++) {
        EXPECT_EQ("CELLTYPE", Lexer(split_line("CELLTYPE", split)).keyword()) << split;
        EXPECT_EQ("top.u\\1[7:0]", Lexer(split_line("top.u\\1[7:0]", split)).token()) << split;
        EXPECT_EQ("-1.25e-3", Lexer(split_line("-1.25e-3", split)).number()) << split;
    }
    std::string text = split_line("/* c */", 1) + "X";
    Lexer comment(text, MODE_ECHO);
    EXPECT_EQ('X', comment.next());
    EXPECT_EQ(text.substr(0, text.size() - 1), comment.echoed());

    // The end of the input ends a token; only a token filling the buffer fails.
    Lexer last(std::string(SDF_LINE_BUF - 2, ' ') + "\nCELL top.u1");
    EXPECT_EQ("CELL", last.keyword());
    EXPECT_EQ("top.u1", last.token());
    testing::internal::CaptureStderr();
    Lexer longword(std::string(SDF_LINE_BUF - 1 + 11, 'a') + "\n");
    EXPECT_EQ("<none>0", longword.keyword());
    EXPECT_EQ(std::string(11, 'a'), longword.keyword());
    EXPECT_EQ("<none>0", Lexer(std::string(SDF_LINE_BUF - 1, 'b')).token());
    EXPECT_EQ("input, line 1 - Error : Internal buffer overflow reading keyword\n\n"
              "input, line 1 - Error : Internal buffer overflow reading token\n\n",
              testing::internal::GetCapturedStderr());
}

TEST(SdfLexer, StoreOnlyCollectsAndNeverMovesStrings)
{
    EXPECT_EQ(nullptr, sdf_store("abc", 3, Lexer("", MODE_ECHO).rd));
    Lexer lx("");
    std::string big(SDF_STORE_BLOCK / 2, 'x');
    char *a = sdf_store("abc", 2, lx.rd);
    char *b = sdf_store(big.data(), static_cast<int>(big.size()), lx.rd);
    char *c = sdf_store(big.data(), static_cast<int>(big.size()), lx.rd);
    EXPECT_STREQ("ab", a);
    EXPECT_EQ(a + 3, b);
    EXPECT_NE(b + big.size() + 1, c);
    EXPECT_EQ(big, b);
    EXPECT_EQ(big, c);
    EXPECT_EXIT(sdf_store(std::string(SDF_STORE_BLOCK, 'y').c_str(), SDF_STORE_BLOCK, lx.rd),
                testing::ExitedWithCode(1), "input, line 0 - Error : Token too long to store");
}

TEST(SdfLexer, EndOfInputIsFinal)
{
    Lexer lx(std::string("a\0b", 3) + " (", MODE_ECHO);
    for (const char *want : {"a", "b", "(", "<none>0", "<none>0"})
        EXPECT_EQ(want, lx.keyword());
    EXPECT_EQ("<none>0", lx.token());
    EXPECT_EQ('$', lx.next());
    testing::internal::CaptureStderr();
    sdf_echo(lx.rd, nullptr, 0);
    EXPECT_EQ(1, sdf_skip_entry(lx.rd));
    EXPECT_EQ("input, line 1 - Error : Unexpected end of file\n"
              "input, line 1 - Error : Missing ')' at end of file.\n\n",
              testing::internal::GetCapturedStderr());
    EXPECT_EQ("  ", lx.echoed());
}

} // namespace
