#include "test_util.h"

#include <cstdlib>

#include "config/cfg_tokenizer.h"

namespace {

// A tokenizer over `text` on disk; messages name the file "in.cfg".
struct Cfg {
    explicit Cfg(const std::string &text) : file(text) { cfg_open(file.path.c_str(), 0, test_msg, &tk); }
    ~Cfg() { cfg_close(&tk, 0); }
    TempFile file;
    ConfigTokenizer tk;
};

// Every logical line as "<first>-<last>:" and its tokens, a string where one
// can be read: names bare, characters quoted, strings double-quoted, a bad
// string "!". Lines are separated by " | ".
std::string dump(ConfigTokenizer *tk)
{
    std::string out;
    char *text;
    while (cfg_next_line(tk) == 0) {
        int first = tk->source.line;
        std::string tokens;
        for (int kind; !cfg_line_is_blank(tk);) {
            if ((kind = cfg_read_string(tk, &text)) == CFG_OK || kind == CFG_BAD_STRING)
                tokens += kind == CFG_OK ? " \"" + std::string(text) + "\"" : " !";
            else if ((kind = cfg_next_token(tk, &text)) != CFG_NONE)
                tokens += kind == CFG_NAME ? " " + std::string(text) : " '" + std::string(text) + "'";
            else
                break;
        }
        out += (out.empty() ? "" : " | ") + std::to_string(first);
        out += (tk->source.line != first ? "-" + std::to_string(tk->source.line) : "") + ":" + tokens;
    }
    return out;
}

const char *const STRAY = " - Warning : Unexpected characters after '\\' (ignored)\n";
const char *const META = " - Warning : Invalid meta character, ";

TEST(CfgTokenizer, LogicalLinesTokensAndStrings)
{
    const struct {
        const char *text, *lines;
        std::string messages;
    } cases[] = {
        {"", "", ""}, {"# only a comment\n\n \t # another\n", "", ""},
        {"a = 5 # note\n", "1: a '=' '5'", ""}, {"\n\nx\n\n y z", "3: x | 5: y z", ""},
        {"a \\\n= 5\n", "1-2: a '=' '5'", ""}, {"a # comment \\\nb\n", "1: a | 2: b", ""},
        {"\\\n\\\nk\n", "1-3: k", ""}, {"  \\\n  # blank once joined\nk", "3: k", ""},
        {"_a1 b_2 9x\n", "1: '_' a1 b_2 '9' x", ""}, {"a\xe9z\n", "1: a '\xe9' z", ""},
        {"tab\there\r\n", "1: tab here '\r'", ""},
        // Passed by the blank-line test, the failed string read and the
        // real read of c, each time from line 1.
        {"a \\ b\nc d\n", "1-2: a c d",
         std::string("in.cfg, line 1") + STRAY + "in.cfg, line 1" + STRAY + "in.cfg, line 1" + STRAY},
        // Stray text is reported each time it is passed: by the blank-line
        // tests, the line skip, the failed string read and the real read.
        {"\\ x\n# blank\n\\ y\n k\n", "3-4: k",
         std::string("in.cfg, line 1") + STRAY + "in.cfg, line 1" + STRAY + "in.cfg, line 3" + STRAY +
             "in.cfg, line 3" + STRAY + "in.cfg, line 3" + STRAY + "in.cfg, line 3" + STRAY},
        // Strings are read on one physical line.
        {"\"a b\" x\"\"\"# not a comment \"", "1: \"a b\" x \"\" \"# not a comment \"", ""},
        {"\"a\\\\b\" \"a\\nb\" \"a\\\"b\"", "1: \"a\\b\" \"anb\" \"a\"b\"",
         std::string("in.cfg, line 1") + META + "'\\n'\nin.cfg, line 1" + META + "'\\\"'\n"},
        {"\"ab\ncd\"", "1: ! | 2: cd !", "in.cfg, line 1 - Error : Unexpected end of line\n"
                                         "in.cfg, line 2 - Error : Unexpected end of file\n"},
        {"\"ab", "1: !", "in.cfg, line 1 - Error : Unexpected end of file\n"},
        {"\"ab\\", "1: !", "in.cfg, line 1 - Error : Unexpected end of file\n"},
        {"a \\\n \"s\\q", "1-2: a !",
         std::string("in.cfg, line 2") + META + "'\\q'\nin.cfg, line 2 - Error : Unexpected end of file\n"},
    };
    for (const auto &c : cases) {
        capture_stderr();
        Cfg in(c.text);
        EXPECT_EQ(c.lines, dump(&in.tk)) << c.text;
        EXPECT_EQ(c.messages, in.file.renamed(captured_stderr(), "in.cfg")) << c.text;
        // The end is final.
        EXPECT_EQ(1, in.tk.buf->at_end);
        EXPECT_EQ(1, cfg_next_line(&in.tk));
        char *text;
        EXPECT_EQ(CFG_NONE, cfg_next_token(&in.tk, &text));
        EXPECT_EQ(CFG_NONE, cfg_read_string(&in.tk, &text));
    }
}

TEST(CfgTokenizer, MarksAndNumbers)
{
    Cfg in("  0012x \\\nb c\n");
    char *text, *first;
    ASSERT_EQ(0, cfg_next_line(&in.tk));
    ConfigMark *mark = cfg_mark(&in.tk, nullptr);
    EXPECT_EQ(CFG_CHAR, cfg_next_token(&in.tk, &first)); // a digit is a token of its own
    EXPECT_STREQ("0", first);
    for (int i = 0; i < 5; i++)
        cfg_next_token(&in.tk, &text);
    EXPECT_EQ(2, in.tk.source.line);
    // Restoring gives back the position, the line and the store.
    EXPECT_EQ(mark, cfg_mark(&in.tk, mark));
    free(mark);
    EXPECT_EQ(1, in.tk.source.line);
    EXPECT_EQ(first, in.tk.buf->store_next);
    EXPECT_EQ(CFG_OK, cfg_read_number(&in.tk, &text));
    EXPECT_STREQ("0012", text);
    EXPECT_EQ(first, text);
    EXPECT_EQ(CFG_NOT_NUMBER, cfg_read_number(&in.tk, &text));
    for (int i = 0; i < 3; i++)
        cfg_next_token(&in.tk, &text);
    EXPECT_STREQ("c", text);
    EXPECT_TRUE(cfg_read_number(&in.tk, &text) == CFG_NONE && cfg_line_is_blank(&in.tk));

    // A mark keeps line numbers past 2^31.
    Cfg far("a\nb\n");
    ASSERT_EQ(0, cfg_next_line(&far.tk));
    far.tk.source.line = (1LL << 31) + 5;
    mark = cfg_mark(&far.tk, nullptr);
    cfg_next_line(&far.tk);
    EXPECT_EQ((1LL << 31) + 6, far.tk.source.line);
    free(cfg_mark(&far.tk, mark));
    capture_stderr();
    EXPECT_EQ(CFG_NOT_STRING, cfg_read_string(&far.tk, &text));
    msg_error_at(&far.tk.source, "x");
    EXPECT_NE(std::string::npos, captured_stderr().find(", line 2147483653 - Error : x"));
}

// Single characters and strings of escapes fill the store fastest (a byte and
// a terminator per byte or two of text); blank-line tests add look-ahead.
TEST(CfgTokenizer, StoreHoldsEveryTokenOfTheDensestText)
{
    std::string text, tokens;
    for (int i = 0; i < 500; i++) {
        text += "+-\"\\\\\"9";
        tokens += " '+' '-' \"\\\" '9'";
    }
    Cfg in(text + "\n()");
    EXPECT_EQ("1:" + tokens + " | 2: '(' ')'", dump(&in.tk));
    EXPECT_LE(in.tk.buf->store_next - in.tk.buf->store, 2 * in.tk.buf->size);
}

// A missing file shows in the defaults and preferences tests.
TEST(CfgTokenizer, UnreadableFile)
{
    ConfigTokenizer tk;
    capture_stderr();
    EXPECT_EQ(CFG_FAILED, cfg_open(".", 0, test_msg, &tk));
    EXPECT_EQ(". - Error : Error reading file\n", captured_stderr());
    EXPECT_EQ(1, cfg_next_line(&tk));
    cfg_close(&tk, 0);
}

} // namespace
