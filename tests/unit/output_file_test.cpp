#include "test_util.h"

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <cstdlib>

#include "support/output_file.h"

namespace {

struct Folder {
    Folder()
    {
        std::string pattern = testing::TempDir() + "kestrove_out_XXXXXX";
        path = mkdtemp(&pattern[0]);
    }
    ~Folder() { EXPECT_EQ(0, system(("rm -rf '" + path + "'").c_str())); }
    std::vector<std::string> listing() const
    {
        std::vector<std::string> names;
        DIR *dir = opendir(path.c_str());
        while (dirent *e = readdir(dir))
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        closedir(dir);
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string path;
};

std::string contents(const std::string &path)
{
    std::string text;
    FILE *f = fopen(path.c_str(), "rb");
    for (int c; f && (c = fgetc(f)) != EOF;)
        text += static_cast<char>(c);
    if (f)
        fclose(f);
    return text;
}

void write_file(const std::string &path, const char *text)
{
    FILE *f = fopen(path.c_str(), "wb");
    fputs(text, f);
    fclose(f);
}

// The unnamed temporary file shows in end-to-end runs; the named one, which
// stands in where the file system has no unnamed files, is shown here.
TEST(OutputFile, NamedTemporaryMovedIntoPlaceKeptOffOrRemoved)
{
    Folder dir;
    const std::string final = dir.path + "/out.sdf";
    OutputFile done;
    done.unnamed_temp = false;
    ASSERT_TRUE(output_create_new(&done, final.c_str(), test_msg));
    fputs("text\n", done.stream);
    ASSERT_EQ(1u, dir.listing().size());
    EXPECT_EQ(".out.sdf.", dir.listing()[0].substr(0, 9));
    output_commit(&done);
    EXPECT_EQ(std::vector<std::string>{"out.sdf"}, dir.listing());
    EXPECT_EQ("text\n", contents(final));

    // A file made at the final name while the run went on is not replaced.
    remove(final.c_str());
    OutputFile late;
    late.unnamed_temp = false;
    ASSERT_TRUE(output_create_new(&late, final.c_str(), test_msg));
    fputs("mine\n", late.stream);
    write_file(final, "theirs\n");
    capture_stderr();
    EXPECT_THROW(output_commit(&late), RunExit);
    EXPECT_NE(std::string::npos, captured_stderr().find("Error writing '" + final + "': File exists\n"));
    EXPECT_EQ(std::vector<std::string>{"out.sdf"}, dir.listing());
    EXPECT_EQ("theirs\n", contents(final));

    remove(final.c_str());
    OutputFile dropped;
    dropped.unnamed_temp = false;
    ASSERT_TRUE(output_create_new(&dropped, final.c_str(), test_msg));
    fputs("never\n", dropped.stream);
    output_discard(&dropped);
    EXPECT_TRUE(dir.listing().empty());
}

TEST(OutputFile, AuditLogReplacesLongerText)
{
    Folder dir;
    const std::string log = dir.path + "/run.log";
    write_file(log, "an older and longer log\n");
    OutputFile of;
    capture_stderr();
    ASSERT_TRUE(output_create_overwrite(&of, log.c_str(), test_msg));
    EXPECT_NE(std::string::npos, captured_stderr().find("Overwriting file"));
    fputs("new\n", of.stream);
    output_commit(&of);
    EXPECT_EQ("new\n", contents(log));
}

// Written on from where it was cut back, with nothing of what came between;
// a compressed log, a device or a pipe has no position to go back to, and a cut that
// fails is kept as a failed write.
TEST(OutputFile, PlainLogCutBackToAPosition)
{
    Folder dir;
    const std::string log = dir.path + "/run.log";
    OutputFile of;
    ASSERT_TRUE(output_create_overwrite(&of, log.c_str(), test_msg));
    fputs("kept\n", of.stream);
    long long mark = output_plain_position(&of);
    EXPECT_EQ(5, mark);
    fputs("dropped\n", of.stream);
    output_cut_back(&of, mark);
    fputs("after\n", of.stream);
    output_commit(&of);
    EXPECT_EQ("kept\nafter\n", contents(log));

    OutputFile gz;
    ASSERT_TRUE(output_create_overwrite(&gz, (log + ".gz").c_str(), test_msg));
    EXPECT_EQ(-1, output_plain_position(&gz));
    output_discard(&gz);

    OutputFile device;
    output_open_fd(&device, "/dev/null", open("/dev/null", O_WRONLY | O_CLOEXEC), test_msg);
    EXPECT_EQ(-1, output_plain_position(&device));
    output_discard(&device);

    int ends[2];
    ASSERT_EQ(0, pipe(ends));
    OutputFile piped;
    output_open_fd(&piped, "<pipe>", ends[1], test_msg);
    EXPECT_EQ(-1, output_plain_position(&piped));
    output_cut_back(&piped, 0);
    EXPECT_NE(0, piped.error);
    output_discard(&piped);
    close(ends[0]);
}

} // namespace
