#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "config/prefs.h"
#include "config/template.h"

namespace {

PathEntry *path_on(const char *out, int msb, int lsb, PathEntry *next)
{
    // malloc'ed like the copies that expansion adds, so one loop frees all
    PathEntry *p = static_cast<PathEntry *>(calloc(1, sizeof(PathEntry)));
    p->next = next;
    p->in_port = {"CK", 3, 0, EDGE_POSEDGE};
    p->out_port = {out, msb, lsb, EDGE_NONE};
    p->cond_text = const_cast<char *>("EN");
    return p;
}

TEST(TemplateBusExpansion, SplitsInPlaceAndReturnsTheOldSuccessor)
{
    PathEntry *s = path_on("S", 5, -1, nullptr);
    PathEntry *q = path_on("Q", 7, 4, s);
    EXPECT_EQ(s, expand_iopath_bits(q));
    EXPECT_EQ(nullptr, expand_iopath_bits(s));
    int bit = 4;
    for (PathEntry *p = q; p != s; p = p->next, bit++) {
        EXPECT_EQ(bit, p->out_port.msb);
        EXPECT_EQ(-1, p->out_port.lsb);
        EXPECT_EQ(q->cond_text, p->cond_text); // texts are shared, not copied
        EXPECT_EQ(0, p->in_port.lsb);          // the input port keeps its range
    }
    EXPECT_EQ(8, bit);
    EXPECT_EQ(5, s->out_port.msb);
    for (PathEntry *p = q, *next; p; p = next) {
        next = p->next;
        free(p);
    }
}

// Registers ready-made template cells, newest first, and undoes it.
struct Registry {
    ~Registry() { template_registry = saved; }
    CellInstance *add(const char *cell_name, const char *celltype, Preferences *prefs = nullptr)
    {
        cells.emplace_back(new CellInstance());
        cells.back()->celltype = celltype;
        cells.back()->prefs = prefs;
        readers.emplace_back(new SdfReader());
        readers.back()->cells = cells.back().get();
        entries.emplace_back(new CellTemplate{template_registry, cell_name, 1, readers.back().get()});
        template_registry = entries.back().get();
        return cells.back().get();
    }
    CellTemplate *saved = template_registry;
    std::vector<std::unique_ptr<CellInstance>> cells;
    std::vector<std::unique_ptr<SdfReader>> readers;
    std::vector<std::unique_ptr<CellTemplate>> entries;
};

CellInstance *lookup(const char *name)
{
    return template_lookup(name, static_cast<int>(strlen(name)));
}

TEST(TemplateRegistry, LookupByCelltypeOrCelleqNewestFirst)
{
    Registry reg;
    CellEqName eq_latch = {nullptr, "latch_x1"};
    CellEqName eq_dff = {&eq_latch, "DFFR_X2"};
    Preferences prefs;
    memset(&prefs, 0, sizeof prefs);
    prefs.celleq = &eq_dff;
    reg.add("lib/inv", "INV");
    CellInstance *dff = reg.add("dff", "DFFR", &prefs);
    CellInstance *inv = reg.add("inv_new", "inv");

    EXPECT_EQ(dff, lookup("dffr"));
    EXPECT_EQ(dff, lookup("dffr_x2"));
    EXPECT_EQ(dff, lookup("LATCH_X1"));
    EXPECT_EQ(inv, lookup("INV")); // the later -cell wins
    EXPECT_EQ(nullptr, lookup("DFFRS"));
    EXPECT_EQ(nullptr, lookup("dff")); // the -cell name does not count
    EXPECT_EQ(dff, template_lookup("DFFR_X2 trailing", 7));
}

TEST(TemplateRegistry, LoadSkipsKnownNamesAndDropsFailedLoads)
{
    Registry reg;
    CellInstance *cell = reg.add("no/such/dir/dff", "DFF");
    cell->use_defaults = 1;
    CellTemplate *head = template_registry;
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, template_load("no/such/dir/dff", 0, "no/such/prefs", stdout));
    EXPECT_EQ(0, template_load("no/such/dir/inv", 1, nullptr, stdout));
    EXPECT_EQ("Could not open \"no/such/dir/inv.sdft\"\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(head, template_registry);
    EXPECT_EQ(1, cell->use_defaults);
    EXPECT_EQ(nullptr, cell->prefs);
}

} // namespace
