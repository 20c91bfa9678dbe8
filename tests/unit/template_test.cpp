#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/prefs.h"
#include "config/template.h"

namespace {

// Records are malloc'ed like the copies that expansion adds, so that a whole
// list can be released with free_list.
template <typename Record>
Record *new_record()
{
    return static_cast<Record *>(calloc(1, sizeof(Record)));
}

template <typename Record>
void free_list(Record *r)
{
    while (r) {
        Record *next = r->next;
        free(r);
        r = next;
    }
}

PathEntry *path_on(const char *out, int msb, int lsb)
{
    PathEntry *p = new_record<PathEntry>();
    p->in_port = PortSpec{"CK", 3, 0, EDGE_POSEDGE};
    p->out_port = PortSpec{out, msb, lsb, EDGE_NONE};
    p->cond_text = const_cast<char *>("EN");
    return p;
}

// "name[bit]" for each record, in list order.
std::vector<std::string> out_bits(const PathEntry *p)
{
    std::vector<std::string> bits;
    for (; p; p = p->next)
        bits.push_back(std::string(p->out_port.name) + "[" + std::to_string(p->out_port.msb) +
                       "," + std::to_string(p->out_port.lsb) + "]");
    return bits;
}

TEST(TemplateBusExpansion, SplitsInPlaceLowestBitFirst)
{
    PathEntry *a = path_on("A", -1, -1), *q = path_on("Q", 7, 4), *s = path_on("S", 5, -1);
    a->next = q;
    q->next = s;
    EXPECT_EQ(q, expand_iopath_bits(a));
    EXPECT_EQ(s, expand_iopath_bits(q));
    EXPECT_EQ(nullptr, expand_iopath_bits(s));
    EXPECT_EQ((std::vector<std::string>{"A[-1,-1]", "Q[4,-1]", "Q[5,-1]", "Q[6,-1]", "Q[7,-1]",
                                        "S[5,-1]"}),
              out_bits(a));
    // The copies share texts and keep the other port's range.
    const PathEntry *q7 = q->next->next->next;
    EXPECT_EQ(q->out_port.name, q7->out_port.name);
    EXPECT_EQ(q->cond_text, q7->cond_text);
    EXPECT_EQ(3, q7->in_port.msb);
    EXPECT_EQ(0, q7->in_port.lsb);
    free_list(a);
}

TEST(TemplateBusExpansion, ChecksSplitOnTheirDataPort)
{
    TimingCheck *check = new_record<TimingCheck>();
    check->kind = CHECK_SETUP;
    check->data_port = PortSpec{"D", 1, 0, EDGE_NONE};
    check->ref_port = PortSpec{"CK", 2, 0, EDGE_POSEDGE};
    TimingCheck *width = new_record<TimingCheck>();
    width->kind = CHECK_WIDTH;
    width->data_port = PortSpec{nullptr, -1, -1, EDGE_NONE};
    width->ref_port = PortSpec{"CK", 2, 0, EDGE_POSEDGE};
    check->next = width;
    EXPECT_EQ(width, expand_check_bits(check));
    EXPECT_EQ(nullptr, expand_check_bits(width));
    ASSERT_NE(width, check->next);
    EXPECT_EQ(width, check->next->next);
    EXPECT_EQ(0, check->data_port.msb);
    EXPECT_EQ(1, check->next->data_port.msb);
    EXPECT_EQ(-1, check->next->data_port.lsb);
    EXPECT_EQ(2, check->next->ref_port.msb);
    EXPECT_EQ(0, check->next->ref_port.lsb);
    EXPECT_EQ(2, width->ref_port.msb); // a reference port is never split
    free_list(check);
}

// Registers a ready-made template cell, newest first, and undoes it.
struct Registry {
    ~Registry() { template_registry = saved; }
    CellInstance *add(const char *cell_name, const char *celltype, Preferences *prefs = nullptr)
    {
        cells.emplace_back(new CellInstance());
        CellInstance *cell = cells.back().get();
        cell->celltype = celltype;
        cell->prefs = prefs;
        readers.emplace_back(new SdfReader());
        readers.back()->cells = cell;
        entries.emplace_back(new CellTemplate{template_registry, cell_name, 1, readers.back().get()});
        template_registry = entries.back().get();
        return cell;
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
    CellInstance *inv = reg.add("lib/inv", "INV");
    CellInstance *dff = reg.add("dff", "DFFR", &prefs);
    CellInstance *inv2 = reg.add("inv_new", "inv");

    EXPECT_EQ(dff, lookup("DFFR"));
    EXPECT_EQ(dff, lookup("dffr"));
    EXPECT_EQ(dff, lookup("dffr_x2"));
    EXPECT_EQ(dff, lookup("LATCH_X1"));
    EXPECT_EQ(inv2, lookup("INV")); // the later -cell wins
    EXPECT_EQ(nullptr, lookup("DFF"));
    EXPECT_EQ(nullptr, lookup("DFFRS"));
    EXPECT_EQ(nullptr, lookup("dff")); // the -cell name does not count
    EXPECT_EQ(dff, template_lookup("DFFR_X2 trailing", 7));
    (void)inv;
}

TEST(TemplateRegistry, RepeatedCellNameReadsNothing)
{
    Registry reg;
    CellInstance *cell = reg.add("no/such/dir/dff", "DFF");
    cell->use_defaults = 1;
    CellTemplate *head = template_registry;
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, template_load("no/such/dir/dff", 0, "no/such/prefs", stdout));
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_EQ(head, template_registry);
    EXPECT_EQ(1, cell->use_defaults);
    EXPECT_EQ(nullptr, cell->prefs);
}

TEST(TemplateRegistry, MissingTemplateFileLeavesNoEntry)
{
    Registry reg;
    reg.add("other", "OTHER");
    CellTemplate *head = template_registry;
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, template_load("no/such/dir/dff", 1, nullptr, stdout));
    EXPECT_EQ("Could not open \"no/such/dir/dff.sdft\"\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(head, template_registry);
}

} // namespace
