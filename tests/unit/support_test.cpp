#include "test_util.h"

#include <cstdlib>

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

} // namespace
