#include "test_util.h"

#include <cerrno>

#include "sdf/sdf_input.h"
#include "sdf/sdf_reader.h"

namespace {

const std::string SDF = "(DELAYFILE (SDFVERSION \"3.0\")\n(CELL (CELLTYPE \"BUF\") (INSTANCE a)\n"
                        " (DELAY (ABSOLUTE (IOPATH A Z (1:2:3)))))\n)\n";

// The reading part of a run, through the end of the input.
void read_through(const Registry &reg, FILE *in, FILE *out, size_t block = SDF_INPUT_BLOCK)
{
    CellInstance *cells = sdf_read("in.sdf", "out.sdf", in, out, reg.setup(block));
    if (cells)
        sdf_check_end(cells->reader);
}

// Output and messages of reading `data` through `in` (over `data` when null).
std::string read_all(const Registry &reg, std::string data, size_t block = SDF_INPUT_BLOCK,
                     FILE *in = nullptr)
{
    KeepAllocations keep;
    if (!in)
        in = fmemopen(&data[0], data.size(), "r");
    Scratch out;
    capture_stderr();
    read_through(reg, in, out.f, block);
    std::string messages = captured_stderr();
    fclose(in);
    return out.text() + messages;
}

TEST(SdfGzip, MembersOfAnySizeReadAsTheirText)
{
    Registry reg;
    reg.add("BUF");
    std::string plain = read_all(reg, SDF);
    EXPECT_EQ(plain, read_all(reg, gzip_members(SDF, {0, 0, 20})));
    EXPECT_EQ(plain, read_all(reg, gzip_members(SDF, {SDF.size()}), 1));
}

std::string first_piece(const std::string &data, int template_syntax, size_t block)
{
    Reader r(data, MODE_COLLECT, template_syntax, block);
    // The seam tests mean nothing unless the chosen size is the one read in.
    EXPECT_EQ(block, r.rd->in_size);
    char piece[SDF_LINE_BUF];
    sdf_read_piece(r.rd, piece, SDF_LINE_BUF - 1);
    return piece;
}

// Both magic bytes are needed, even when the read-ahead block holds one
// character; and templates are never decompressed.
TEST(SdfGzip, OnlyAnInputWithBothMagicBytesIsDecompressed)
{
    for (size_t block : {size_t(1), SDF_INPUT_BLOCK}) {
        EXPECT_EQ("\x1f(x\n", first_piece("\x1f(x\ny", 0, block)) << block;
        EXPECT_EQ("(x\n", first_piece(gzip_members("(x\ny"), 0, block)) << block;
        std::string packed = gzip_members("(x");
        EXPECT_EQ(packed.substr(0, 3), first_piece(packed, 1, block).substr(0, 3)) << block;
    }
}

// One message and status 2, wherever the fault lies.
TEST(SdfGzipDeathTest, CorruptOrCutShortEndsTheRun)
{
    Registry reg;
    reg.add("BUF");
    std::string packed = gzip_members(SDF, {30});
    std::string bad_crc = packed;
    bad_crc[bad_crc.size() - 6] ^= 1;
    std::string bad_data = packed;
    bad_data[12] ^= 0x55;
    const std::string CORRUPT = "^kestrove: Error reading 'in.sdf': compressed data is corrupt\n$";
    const std::string EARLY = "^kestrove: Error reading 'in.sdf': compressed data ends early\n$";
    const std::pair<std::string, std::string> cases[] = {
        {bad_crc, CORRUPT},
        {bad_data, CORRUPT},
        {packed + "xy", CORRUPT},
        {packed + std::string(8, '\0'), CORRUPT},
        {std::string("\x1f\x8b\x09", 3) + packed.substr(3), CORRUPT},
        {packed.substr(0, packed.size() - 1), EARLY},
        {packed + "\x1f", EARLY},
        {"\x1f\x8b", EARLY},
    };
    for (const auto &c : cases) {
        for (size_t block : {size_t(1), SDF_INPUT_BLOCK}) {
            EXPECT_RUN_EXIT(
                {
                    std::string data = c.first;
                    FILE *in = fmemopen(&data[0], data.size(), "r");
                    read_through(reg, in, stdout, block);
                },
                2, c.second)
                << "block " << block << " data " << testing::PrintToString(c.first);
        }
    }
}

ssize_t failing_read(void *cookie, char *buf, size_t size)
{
    auto *left = static_cast<std::string *>(cookie);
    if (left->empty()) {
        errno = EIO;
        return -1;
    }
    size_t n = std::min(size, left->size());
    memcpy(buf, left->data(), n);
    left->erase(0, n);
    return static_cast<ssize_t>(n);
}

TEST(SdfGzipDeathTest, ReadErrorUnderTheDecompressorIsNotTheEnd)
{
    Registry reg;
    std::string head = gzip_members(SDF).substr(0, 20);
    EXPECT_RUN_EXIT(
        {
            FILE *in = fopencookie(&head, "r", {failing_read, nullptr, nullptr, nullptr});
            read_through(reg, in, stdout);
        },
        2, "^kestrove: Error reading 'in.sdf': Input/output error\n$");
}

} // namespace
