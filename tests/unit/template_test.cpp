#include "test_util.h"

#include "config/template.h"

namespace {

// Files <stem><suffix> for one test, removed with it.
struct TemplateFiles {
    explicit TemplateFiles(const std::string &stem) : stem(stem) {}
    ~TemplateFiles()
    {
        for (const std::string &name : written)
            remove(name.c_str());
    }
    void write(const char *suffix, const std::string &text)
    {
        written.push_back(stem + suffix);
        FILE *f = fopen(written.back().c_str(), "wb");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
    std::string stem;
    std::vector<std::string> written;
};

struct LoadResult {
    int loaded;
    std::string messages, audit;
    const CellInstance *cell;
};

LoadResult load(TemplateSet *set, const TemplateFiles &files)
{
    Scratch audit;
    capture_stderr();
    int loaded = template_load(set, files.stem.c_str(), 1, nullptr, audit.f, test_msg);
    std::string messages = captured_stderr();
    for (size_t at; (at = messages.find(files.stem)) != std::string::npos;)
        messages.replace(at, files.stem.size(), "T");
    std::string log = audit.text();
    for (size_t at; (at = log.find(files.stem)) != std::string::npos;)
        log.replace(at, files.stem.size(), "T");
    return {loaded, messages, log, set->registry ? template_cell_of(set->registry) : nullptr};
}

const char *const SDFT = "(CELL (CELLTYPE \"DFF\") (INSTANCE x)\n"
                         " (DELAY (ABSOLUTE (IOPATH CK Q (tCQ)))))\n";

// Which defaults file a template takes, and what is said when it takes none:
// the mode's own file first, then the plain one; a file that is no defaults
// file, or none at all, leaves the template without defaults and says so.
TEST(TemplateLoad, DefaultsFileChoiceAndWarnings)
{
    KeepAllocations keep;
    Verbosity v(1);
    {
        TemplateFiles files(TempFile("").path);
        files.write(".sdft", SDFT);
        files.write(".tdef", "tCQ = 5\n");
        TemplateSet set;
        LoadResult r = load(&set, files);
        EXPECT_EQ(1, r.loaded);
        ASSERT_NE(nullptr, r.cell);
        EXPECT_EQ(nullptr, r.cell->defaults);
        EXPECT_EQ("T.tdef, line 1 - Error : Expecting TIMES(timescale)\nT.tdef : 1 error\n"
                  "kestrove - Warning : File, \"T.tdef\" is not a defaults file, ignored\n",
                  r.messages);
        EXPECT_EQ("\n********\nCell DFF from template T.sdft\n"
                  "Unable to open \"T_typ.tdef\" for reading\n"
                  "Defaults not read for cell, \"T\"\n",
                  r.audit);
        EXPECT_EQ(0, load(&set, files).loaded) << "a second -cell of the same name";
    }
    {
        TemplateFiles files(TempFile("").path);
        files.write(".sdft", SDFT);
        TemplateSet set;
        LoadResult r = load(&set, files);
        EXPECT_EQ(1, r.loaded);
        EXPECT_EQ("T.tdef - Error : File open failed\nT.tdef : 1 error\n"
                  "kestrove - Warning : File, \"T.tdef\" not found - ignored\n",
                  r.messages);
    }
    {
        TemplateFiles files(TempFile("").path);
        files.write(".sdft", SDFT);
        files.write(".tdef", "TIMES(1 ns)\ntCQ = 5\n");
        files.write("_max.tdef", "TIMES(1 ps)\ntCQ = 7\n");
        TemplateSet set;
        set.defaults_mode = 2;
        LoadResult r = load(&set, files);
        ASSERT_NE(nullptr, r.cell);
        ASSERT_NE(nullptr, r.cell->defaults);
        EXPECT_EQ(1, r.cell->defaults->timescale_ps);
        EXPECT_EQ("", r.messages);
        EXPECT_NE(std::string::npos, r.audit.find("Read timing defaults from \"T_max.tdef\"\n")) << r.audit;
    }
}

} // namespace
