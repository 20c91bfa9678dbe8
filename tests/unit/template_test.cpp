#include "test_util.h"

#include "config/template.h"

namespace {

struct LoadResult {
    int loaded;
    std::string messages, audit;
    const CellInstance *cell;
};

// Loads the template of `stem`; its path reads "T" in messages and audit.
LoadResult load(TemplateSet *set, const TempFile &stem)
{
    Scratch audit;
    capture_stderr();
    int loaded = template_load(set, stem.path.c_str(), 1, nullptr, audit.f, test_msg);
    std::string messages = captured_stderr();
    return {loaded, stem.renamed(messages, "T"), stem.renamed(audit.text(), "T"),
            set->registry ? template_cell_of(set->registry) : nullptr};
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
        TempFile stem(""), sdft(SDFT, stem.path + ".sdft"), tdef("tCQ = 5\n", stem.path + ".tdef");
        TemplateSet set;
        LoadResult r = load(&set, stem);
        EXPECT_EQ(1, r.loaded);
        ASSERT_NE(nullptr, r.cell);
        EXPECT_EQ(nullptr, r.cell->defaults);
        EXPECT_EQ("T.tdef, line 1 - Error : Expecting TIMES(timescale)\nT.tdef : 1 error\n"
                  "kestrove - Warning : File, \"T.tdef\" is not a defaults file, ignored\n",
                  r.messages);
        EXPECT_EQ("\n********\nCell DFF from template T.sdft\nUnable to open \"T_typ.tdef\" for reading\n"
                  "Defaults not read for cell, \"T\"\n",
                  r.audit);
        EXPECT_EQ(0, load(&set, stem).loaded) << "a second -cell of the same name";
    }
    {
        TempFile stem(""), sdft(SDFT, stem.path + ".sdft");
        TemplateSet set;
        LoadResult r = load(&set, stem);
        EXPECT_EQ(1, r.loaded);
        EXPECT_EQ("T.tdef - Error : File open failed\nT.tdef : 1 error\n"
                  "kestrove - Warning : File, \"T.tdef\" not found - ignored\n",
                  r.messages);
    }
    TempFile stem(""), sdft(SDFT, stem.path + ".sdft"), tdef("TIMES(1 ns)\ntCQ = 5\n", stem.path + ".tdef"),
        max("TIMES(1 ps)\ntCQ = 7\n", stem.path + "_max.tdef");
    TemplateSet set;
    set.defaults_mode = 2;
    LoadResult r = load(&set, stem);
    ASSERT_TRUE(r.cell && r.cell->defaults);
    EXPECT_EQ(1, r.cell->defaults->timescale_ps);
    EXPECT_EQ("", r.messages);
    EXPECT_NE(std::string::npos, r.audit.find("Read timing defaults from \"T_max.tdef\"\n")) << r.audit;
}

} // namespace
