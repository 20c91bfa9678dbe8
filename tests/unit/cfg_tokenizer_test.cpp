#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "config/cfg_tokenizer.h"

namespace {

// A configuration text on disk under a unique name; messages are compared
// with that name replaced by "in.cfg".
struct CfgText {
    explicit CfgText(const std::string &text)
        : path(std::string(testing::TempDir()) + "kestrove_cfg_" + std::to_string(getpid()))
    {
        FILE *f = fopen(path.c_str(), "wb");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        EXPECT_EQ(CFG_OK, cfg_open(path.c_str(), 0, &tk));
        remove(path.c_str());
    }
    ~CfgText() { cfg_close(&tk, 0); }

    std::string messages() const
    {
        std::string out = testing::internal::GetCapturedStderr();
        for (size_t at; (at = out.find(path)) != std::string::npos;)
            out.replace(at, path.size(), "in.cfg");
        return out;
    }

    std::string path;
    ConfigTokenizer tk;
};

// The tokens of the rest of the logical line: names bare, characters quoted.
std::string line_tokens(ConfigTokenizer *tk)
{
    std::string out;
    char *text;
    for (int kind; (kind = cfg_next_token(tk, &text)) != CFG_NONE;)
        out += kind == CFG_NAME ? std::string(" ") + text : std::string(" '") + text + "'";
    return out;
}

// Every logical line as "<first>-<last>:<tokens>", lines separated by " | ".
std::string dump(ConfigTokenizer *tk)
{
    std::string out;
    while (cfg_next_line(tk) == 0) {
        int first = tk->line;
        std::string tokens = line_tokens(tk);
        out += (out.empty() ? "" : " | ") + std::to_string(first);
        if (tk->line != first)
            out += "-" + std::to_string(tk->line);
        out += ":" + tokens;
    }
    return out;
}

TEST(CfgTokenizer, LogicalLinesAndTokens)
{
    const struct {
        const char *text;
        const char *lines;
    } cases[] = {
        {"", ""},
        {"# only a comment\n\n \t # another\n", ""},
        {"a = 5 # note\n", "1: a '=' '5'"},
        {"\n\nx\n\n y z", "3: x | 5: y z"},
        {"a \\\n= 5\n", "1-2: a '=' '5'"},
        {"a # comment \\\nb\n", "1: a | 2: b"},
        {"\\\n\\\nk\n", "1-3: k"},
        {"  \\\n  # blank once joined\nk", "3: k"},
        {"_a1 b_2 9x\n", "1: '_' a1 b_2 '9' x"},
        {"a\xe9z\n", "1: a '\xe9' z"},
        {"tab\there\r\n", "1: tab here '\r'"},
    };
    for (const auto &c : cases) {
        testing::internal::CaptureStderr();
        CfgText in(c.text);
        EXPECT_EQ(c.lines, dump(&in.tk)) << c.text;
        EXPECT_EQ("", in.messages()) << c.text;
        EXPECT_EQ(1, in.tk.buf->at_end);
        EXPECT_EQ(1, cfg_next_line(&in.tk));
        char *text;
        EXPECT_EQ(CFG_NONE, cfg_next_token(&in.tk, &text));
        EXPECT_EQ(CFG_NONE, cfg_read_string(&in.tk, &text));
    }
}

TEST(CfgTokenizer, StrayCharactersAfterContinuationWarnOnTheirLine)
{
    testing::internal::CaptureStderr();
    CfgText read_all("a \\ b\nc d\n");
    EXPECT_EQ("1-2: a c d", dump(&read_all.tk));
    EXPECT_EQ("in.cfg, line 1 - Warning : Unexpected characters after '\\' (ignored)\n",
              read_all.messages());
    EXPECT_EQ(1, read_all.tk.warnings);

    // Blank-line tests and failed string reads look ahead over a continuation
    // and take it back; its stray text is still reported once.
    testing::internal::CaptureStderr();
    CfgText looked_ahead("\\ x\n# blank\n\\ y\n k\n");
    char *text;
    ASSERT_EQ(0, cfg_next_line(&looked_ahead.tk));
    EXPECT_EQ(CFG_NOT_STRING, cfg_read_string(&looked_ahead.tk, &text));
    EXPECT_EQ(" k", line_tokens(&looked_ahead.tk));
    EXPECT_EQ("in.cfg, line 1 - Warning : Unexpected characters after '\\' (ignored)\n"
              "in.cfg, line 3 - Warning : Unexpected characters after '\\' (ignored)\n",
              looked_ahead.messages());
    EXPECT_EQ(2, looked_ahead.tk.warnings);
}

TEST(CfgTokenizer, DigitsAreSingleTokensButNumbersAreRuns)
{
    CfgText in("  0012x\n");
    char *text;
    ASSERT_EQ(0, cfg_next_line(&in.tk));
    ConfigMark *mark = cfg_mark(&in.tk, nullptr);
    EXPECT_EQ(CFG_CHAR, cfg_next_token(&in.tk, &text));
    EXPECT_STREQ("0", text);
    free(cfg_mark(&in.tk, mark));
    EXPECT_EQ(CFG_OK, cfg_read_number(&in.tk, &text));
    EXPECT_STREQ("0012", text);
    EXPECT_EQ(CFG_NOT_NUMBER, cfg_read_number(&in.tk, &text));
    EXPECT_EQ(" x", line_tokens(&in.tk));
    EXPECT_EQ(CFG_NONE, cfg_read_number(&in.tk, &text));
}

TEST(CfgTokenizer, Strings)
{
    const struct {
        const char *text;
        int result;
        const char *value;
        const char *messages;
    } cases[] = {
        {"\"a b\" x", CFG_OK, "a b", ""},
        {"\"\"", CFG_OK, "", ""},
        {"\"# not a comment \"", CFG_OK, "# not a comment ", ""},
        {"\"a\\\\b\"", CFG_OK, "a\\b", ""},
        {"\"a\\nb\"", CFG_OK, "anb", "in.cfg, line 1 - Warning : Invalid meta character, '\\n'\n"},
        {"\"a\\\"b\"", CFG_OK, "a\"b", "in.cfg, line 1 - Warning : Invalid meta character, '\\\"'\n"},
        {"\"ab\ncd\"", CFG_BAD_STRING, nullptr, "in.cfg, line 1 - Error : Unexpected end of line\n"},
        {"\"ab", CFG_BAD_STRING, nullptr, "in.cfg, line 1 - Error : Unexpected end of file\n"},
        {"\"ab\\", CFG_BAD_STRING, nullptr, "in.cfg, line 1 - Error : Unexpected end of file\n"},
        {"a \\\n \"s\\q", CFG_BAD_STRING, nullptr,
         "in.cfg, line 2 - Warning : Invalid meta character, '\\q'\n"
         "in.cfg, line 2 - Error : Unexpected end of file\n"},
        {" x\"a\"", CFG_NOT_STRING, nullptr, ""},
        {"# nothing", CFG_NONE, nullptr, ""},
    };
    for (const auto &c : cases) {
        testing::internal::CaptureStderr();
        CfgText in(c.text);
        char *text = nullptr;
        cfg_next_line(&in.tk);
        if (c.text[0] == 'a') // the string stands behind a name
            cfg_next_token(&in.tk, &text);
        EXPECT_EQ(c.result, cfg_read_string(&in.tk, &text)) << c.text;
        if (c.value) {
            EXPECT_STREQ(c.value, text) << c.text;
        }
        EXPECT_EQ(c.messages, in.messages()) << c.text;
        if (c.result == CFG_NOT_STRING) {
            EXPECT_EQ(" x '\"' a '\"'", line_tokens(&in.tk));
        }
    }
}

TEST(CfgTokenizer, MarksGiveBackPositionLineAndStore)
{
    CfgText in("a \\\nb c\n");
    char *first, *text;
    ASSERT_EQ(0, cfg_next_line(&in.tk));
    EXPECT_EQ(0, cfg_line_is_blank(&in.tk));
    ConfigMark *mark = cfg_mark(&in.tk, nullptr);
    cfg_next_token(&in.tk, &first);
    cfg_next_token(&in.tk, &text);
    EXPECT_STREQ("b", text);
    EXPECT_EQ(2, in.tk.line);
    EXPECT_EQ(mark, cfg_mark(&in.tk, mark));
    free(mark);
    EXPECT_EQ(1, in.tk.line);
    EXPECT_EQ(first, in.tk.buf->store_next);
    EXPECT_EQ(CFG_NAME, cfg_next_token(&in.tk, &text));
    EXPECT_STREQ("a", text);
    EXPECT_EQ(first, text);
    EXPECT_EQ(0, cfg_line_is_blank(&in.tk));
    EXPECT_EQ(" b c", line_tokens(&in.tk));
    EXPECT_EQ(1, cfg_line_is_blank(&in.tk));
    EXPECT_EQ(1, cfg_next_line(&in.tk));
    EXPECT_EQ(1, cfg_line_is_blank(&in.tk));
}

// Single characters and strings of escapes fill the store fastest (a byte and
// a terminator per byte or two of text); blank-line tests add look-ahead.
TEST(CfgTokenizer, StoreHoldsEveryTokenOfTheDensestText)
{
    std::string text;
    for (int i = 0; i < 500; i++)
        text += "+-\"\\\\\"9";
    text += "\n()";
    CfgText in(text);
    std::string joined;
    char *token;
    while (cfg_next_line(&in.tk) == 0) {
        while (!cfg_line_is_blank(&in.tk)) {
            if (cfg_read_string(&in.tk, &token) != CFG_OK)
                cfg_next_token(&in.tk, &token);
            joined += token;
        }
    }
    EXPECT_EQ(500u * 4 + 2, joined.size());
    EXPECT_LE(in.tk.buf->store_next - in.tk.buf->store, 2 * in.tk.buf->size);
}

TEST(CfgTokenizer, OpenFailures)
{
    ConfigTokenizer tk;
    testing::internal::CaptureStderr();
    EXPECT_EQ(CFG_FAILED, cfg_open("no/such.cfg", 0, &tk));
    EXPECT_EQ("no/such.cfg - Error : File open failed\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(1, tk.errors);
    EXPECT_EQ(1, cfg_next_line(&tk));
    cfg_close(&tk, 0);

    testing::internal::CaptureStderr();
    EXPECT_EQ(CFG_FAILED, cfg_open("no/such.cfg", 1, &tk));
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_EQ(0, tk.errors);
    cfg_close(&tk, 0);

    testing::internal::CaptureStderr();
    EXPECT_EQ(CFG_FAILED, cfg_open(".", 0, &tk));
    EXPECT_EQ(". - Error : Error reading file\n", testing::internal::GetCapturedStderr());
    cfg_close(&tk, 0);
}

} // namespace
