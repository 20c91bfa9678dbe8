#include "test_util.h"

#include "config/prefs.h"

namespace {

// Bus expansion, case and celleq names, and the later -cell winning show in
// end-to-end runs.
TEST(TemplateRegistry, LookupByCelltypeNotByCellName)
{
    Registry reg;
    CellEqName eq = {nullptr, "DFFR_X2"};
    Preferences prefs{};
    prefs.celleq = &eq;
    CellInstance *dff = reg.add("DFFR", 0, "dff");
    dff->prefs = &prefs;
    EXPECT_EQ(dff, template_lookup("dffr", 4));
    EXPECT_EQ(dff, template_lookup("DFFR_X2 trailing", 7));
    EXPECT_EQ(nullptr, template_lookup("DFFRS", 5));
    EXPECT_EQ(nullptr, template_lookup("DFFR_X", 6));
    EXPECT_EQ(nullptr, template_lookup("dff", 3));
}

TEST(TemplateRegistry, LoadSkipsKnownNamesAndDropsFailedLoads)
{
    Registry reg;
    CellInstance *cell = reg.add("DFF", 0, "no/such/dir/dff");
    CellTemplate *head = template_registry;
    capture_stderr();
    EXPECT_EQ(0, template_load("no/such/dir/dff", 1, "no/such/prefs", stdout));
    EXPECT_EQ(0, template_load("no/such/dir/inv", 1, nullptr, stdout));
    EXPECT_EQ("Could not open \"no/such/dir/inv.sdft\"\n", captured_stderr());
    EXPECT_EQ(head, template_registry);
    EXPECT_EQ(nullptr, head->next);
    EXPECT_EQ(0, cell->use_defaults);
    EXPECT_EQ(nullptr, cell->prefs);
}

} // namespace
