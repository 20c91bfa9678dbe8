#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "support/list.h"
#include "support/messages.h"
#include "support/support.h"

namespace {

struct Verbosity {
    explicit Verbosity(int v) : saved(msg_verbosity) { msg_verbosity = v; }
    ~Verbosity() { msg_verbosity = saved; }
    int saved;
};

void free_source(SourceFile *src)
{
    free(src->name);
    free(src);
}

std::string temp_path(const char *tag)
{
    return std::string(testing::TempDir()) + "kestrove_" + tag + std::to_string(getpid());
}

TEST(Messages, PlainLevelsAndVerbosity)
{
    Verbosity v(1);
    testing::internal::CaptureStderr();
    msg_info("prog", "hidden %d", 1);
    msg_warning("prog", "careful");
    msg_error(nullptr, "broken");
    msg_warning(nullptr, "bare");
    msg_error("prog", "text ending in newline\n");
    EXPECT_EQ("prog - Warning : careful\nError : broken\nWarning : bare\n"
              "prog - Error : text ending in newline\n\n",
              testing::internal::GetCapturedStderr());

    msg_verbosity = 2;
    testing::internal::CaptureStderr();
    msg_info("prog", "note");
    msg_info(nullptr, "plain note");
    EXPECT_EQ("prog : note\nplain note\n", testing::internal::GetCapturedStderr());
}

TEST(Messages, LocatedMessagesCountPerFile)
{
    Verbosity v(1);
    SourceFile *src = source_file_init(nullptr, nullptr, "in.sdf");
    src->line = 12;
    testing::internal::CaptureStderr();
    msg_error_at(src, "Expecting %s", "number");
    msg_warning_at(src, "odd");
    msg_error_in_file(src, "File open failed");
    EXPECT_EQ("in.sdf, line 12 - Error : Expecting number\n"
              "in.sdf, line 12 - Warning : odd\n"
              "in.sdf - Error : File open failed\n",
              testing::internal::GetCapturedStderr());
    EXPECT_EQ(2, src->errors);
    EXPECT_EQ(1, src->warnings);
    EXPECT_EQ(0, src->suppressed);
    free_source(src);
}

TEST(Messages, QuietSuppressesWarningsButCountsThem)
{
    Verbosity v(0);
    SourceFile *src = source_file_init(nullptr, nullptr, "a.tdef");
    testing::internal::CaptureStderr();
    msg_warning_at(src, "hidden");
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_EQ(1, src->warnings);
    EXPECT_EQ(1, src->suppressed);
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, source_file_summary(src));
    EXPECT_EQ("a.tdef : 1 warning (1 suppressed)\n", testing::internal::GetCapturedStderr());
    free_source(src);
}

TEST(Messages, SummaryLines)
{
    SourceFile src{};
    src.name = const_cast<char *>("a.tdef");
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, source_file_summary(&src));
    src.warnings = 1;
    src.errors = 2;
    EXPECT_EQ(2, source_file_summary(&src));
    src.warnings = 0;
    src.errors = 1;
    source_file_summary(&src);
    src.warnings = 3;
    src.errors = 0;
    source_file_summary(&src);
    EXPECT_EQ("a.tdef : 1 warning, 2 errors\na.tdef : 1 error\na.tdef : 3 warnings\n",
              testing::internal::GetCapturedStderr());
}

TEST(MessagesDeathTest, FatalPrintsHexCodeAndExits)
{
    EXPECT_EXIT(msg_fatal(15, "kestrove", "Unknown check type in input SDF"),
                testing::ExitedWithCode(1),
                "kestrove - Fatal internal error 0000000f : Unknown check type in input SDF\n\n"
                "\\*\\*\\*\\* Please contact Brenlow technical support. \\*\\*\\*\\*\n");
}

TEST(FileCreate, ExistingFilePolicies)
{
    Verbosity v(1);
    std::string path = temp_path("fc");
    FILE *f = fopen(path.c_str(), "w");
    fputs("keep", f);
    fclose(f);

    testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, file_create(path.c_str(), "prog", FILE_KEEP_ERROR));
    EXPECT_EQ(nullptr, file_create(path.c_str(), "prog", FILE_KEEP_WARN));
    EXPECT_EQ("prog - Error : File '" + path + "' already exists\n" +
                  "prog - Warning : File '" + path + "' already exists\n",
              testing::internal::GetCapturedStderr());
    f = fopen(path.c_str(), "r");
    char buf[8] = {};
    EXPECT_EQ(4u, fread(buf, 1, sizeof buf, f));
    fclose(f);

    testing::internal::CaptureStderr();
    f = file_create(path.c_str(), "prog", FILE_OVERWRITE);
    ASSERT_NE(nullptr, f);
    fclose(f);
    EXPECT_EQ("prog - Warning : Overwriting file '" + path + "'\n",
              testing::internal::GetCapturedStderr());
    f = fopen(path.c_str(), "r");
    EXPECT_EQ(EOF, fgetc(f));
    fclose(f);

    EXPECT_EXIT(file_create(path.c_str(), "prog", 5), testing::ExitedWithCode(1),
                "Fatal internal error 0000000b : Bad call to file_create");
    remove(path.c_str());
    // An odd mode only matters for an existing file.
    f = file_create(path.c_str(), "prog", 5);
    ASSERT_NE(nullptr, f);
    fclose(f);
    remove(path.c_str());
}

TEST(Strings, CompareIgnoringBlanks)
{
    EXPECT_EQ(0, str_cmp_ignore_blanks("A\tB", " AB"));
    EXPECT_EQ(1, str_cmp_ignore_blanks("AB", "AB "));
    EXPECT_EQ(0, str_cmp_ignore_blanks("AB ", "AB "));
    EXPECT_EQ(1, str_cmp_ignore_blanks("AB", "AC"));
    EXPECT_EQ(1, str_cmp_ignore_blanks("A", ""));
    EXPECT_EQ(0, str_cmp_ignore_blanks("", ""));
}

TEST(Strings, CaseInsensitiveCompare)
{
    EXPECT_EQ(0, str_case_cmp("times", "TIMES"));
    EXPECT_EQ(0, str_case_cmp("", ""));
    EXPECT_NE(0, str_case_cmp("time", "times"));
    EXPECT_NE(0, str_case_cmp("times", "time"));
    EXPECT_GT(0, str_case_cmp("a", "b"));
}

struct Node {
    Node *next;
    int id;
};

TEST(List, PrependReversesOrder)
{
    Node a{nullptr, 1}, b{nullptr, 2}, c{nullptr, 3};
    Node *head = nullptr;
    list_prepend(&head, &a);
    list_prepend(&head, &b);
    list_prepend(&head, &c);
    ASSERT_EQ(&c, head);
    EXPECT_EQ(&b, c.next);
    EXPECT_EQ(&a, b.next);
    EXPECT_EQ(nullptr, a.next);
}

} // namespace
