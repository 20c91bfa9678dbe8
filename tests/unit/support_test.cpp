#include "test_util.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/arena.h"
#include "support/support.h"

namespace {

TEST(Messages, LevelsOriginsAndVerbosity)
{
    MsgSettings ms{"prog", 1};
    SourceFile *src = source_file_init(nullptr, nullptr, "in.sdf", &ms);
    src->line = 12;
    capture_stderr();
    msg_info(ms, "hidden %d", 1);
    msg_warning(ms, "careful");
    msg_error(ms, "text ending in newline\n");
    msg_error_at(src, "Expecting %s", "number");
    msg_warning_at(src, "odd");
    msg_error_in_file(src, "File open failed");
    ms.verbosity = 2;
    msg_info(ms, "note");
    ms.verbosity = 0;
    msg_warning_at(src, "hidden");
    msg_warning(ms, "hidden");
    EXPECT_EQ("prog - Warning : careful\nprog - Error : text ending in newline\n\n"
              "in.sdf, line 12 - Error : Expecting number\nin.sdf, line 12 - Warning : odd\n"
              "in.sdf - Error : File open failed\nprog : note\n",
              captured_stderr());
    // Quiet warnings are counted, and counted as suppressed.
    EXPECT_TRUE(src->errors == 2 && src->warnings == 2 && src->suppressed == 1);
    free(src->name);
    free(src);
}

TEST(Messages, SummaryLines)
{
    const struct {
        int warnings, errors, suppressed;
        const char *line;
    } cases[] = {
        {0, 0, 0, ""}, {1, 2, 0, "a.tdef : 1 warning, 2 errors\n"}, {0, 1, 0, "a.tdef : 1 error\n"},
        {3, 0, 0, "a.tdef : 3 warnings\n"}, {1, 0, 1, "a.tdef : 1 warning (1 suppressed)\n"},
        {2, 1, 2, "a.tdef : 2 warnings (2 suppressed), 1 error\n"},
    };
    for (const auto &c : cases) {
        SourceFile src{nullptr, const_cast<char *>("a.tdef"), 0, c.errors, c.warnings, c.suppressed,
                       &test_msg};
        capture_stderr();
        EXPECT_EQ(c.errors, source_file_summary(&src));
        EXPECT_EQ(c.line, captured_stderr());
    }
}

// Records of odd sizes, many blocks' worth, and one too big for any block:
// each aligned and apart from the others; freeing empties the arena, which
// serves again. The address-checked build also sees every block freed.
TEST(Arena, AlignedSeparateRecordsAllFreed)
{
    Arena arena;
    for (int round = 0; round < 2; round++) {
        std::vector<std::pair<unsigned char *, size_t>> records;
        for (size_t i = 0; i < 20000; i++)
            records.push_back({static_cast<unsigned char *>(arena_alloc(&arena, 1 + i % 300)), 1 + i % 300});
        records.push_back({static_cast<unsigned char *>(arena_alloc(&arena, size_t(3) << 20)), size_t(3) << 20});
        for (size_t i = 0; i < records.size(); i++) {
            EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(records[i].first) % alignof(std::max_align_t));
            memset(records[i].first, static_cast<int>(i & 0xff), records[i].second);
        }
        size_t intact = 0;
        for (size_t i = 0; i < records.size(); i++)
            intact += records[i].first[0] == (i & 0xff) && records[i].first[records[i].second - 1] == (i & 0xff);
        EXPECT_EQ(records.size(), intact);
        arena_free_all(&arena);
        EXPECT_TRUE(!arena.blocks && !arena.next_free && arena.bytes_left == 0);
    }
}

// A rewind gives back everything allocated since the mark: the next record
// takes the place of the first one made after it (in builds that carve
// records from blocks), however many blocks were filled meanwhile.
TEST(Arena, RewindReusesStorage)
{
    Arena arena;
    arena_alloc(&arena, 100);
    ArenaMark mark = arena_mark(&arena);
    void *first = arena_alloc(&arena, 64);
    for (int i = 0; i < 5000; i++)
        arena_alloc(&arena, 200);
    arena_rewind(&arena, mark);
    EXPECT_TRUE(arena.next_free == mark.next_free && arena.bytes_left == mark.bytes_left);
    if (arena.next_free) {
        EXPECT_EQ(first, arena_alloc(&arena, 64));
    }
    arena_free_all(&arena);
}

} // namespace
