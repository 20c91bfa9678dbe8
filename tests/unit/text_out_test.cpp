#include "test_util.h"

#include <climits>
#include <string>

#include "support/text_out.h"

namespace {

TEST(TextOut, IntegersAsPrintfWritesThem)
{
    const struct {
        long value;
        int width;
    } cases[] = {{0, 0},   {0, 3},     {7, 3},     {-7, 3},       {-42, 3},     {99, 3},
                 {100, 3}, {-100, 3},  {1000, 3},  {-1000, 3},    {123456, 0},  {-1, 0},
                 {LONG_MAX, 0}, {LONG_MIN, 0}, {LONG_MIN, 3}, {5, 25}};
    for (const auto &c : cases) {
        Scratch out;
        TextOut text;
        text.stream = out.f;
        text_lit(&text, "<");
        text_int(&text, c.value, c.width);
        text_char(&text, '>');
        text_release(&text);
        char expected[64];
        snprintf(expected, sizeof expected, "<%*ld>", c.width, c.value);
        EXPECT_EQ(expected, out.text());
    }
}

// Pieces that fill the buffer exactly, cross its end, or exceed it whole
// reach the stream complete and in order, and none is held back after a
// flush.
TEST(TextOut, PiecesReachTheStreamInOrder)
{
    const std::string fill(TEXT_OUT_CAPACITY - 3, 'a');
    const std::string large(TEXT_OUT_CAPACITY + 10, 'L');
    const std::string exact(TEXT_OUT_CAPACITY, 'e');
    Scratch out;
    TextOut text;
    text.stream = out.f;
    std::string expected;
    auto put = [&](const std::string &piece) {
        text_put(&text, piece.data(), piece.size());
        expected += piece;
    };
    put(fill);
    put("bcdef");
    text_char(&text, 'c');
    expected += 'c';
    put(large);
    put("xy");
    put(exact);
    text_char(&text, '!');
    text_str(&text, "tail");
    expected += "!tail";
    text_flush(&text);
    EXPECT_EQ(0u, text.size);
    EXPECT_EQ(expected, out.text());
    text_lit(&text, "more");
    text_release(&text);
    EXPECT_EQ(expected + "more", out.text());
}

} // namespace
