#include "test_util.h"

#include "remap/defaults_subst.h"

namespace {

TEST(DefaultsSubst, DecimalPointShift)
{
    const struct {
        long value;
        int shift;
        const char *text;
    } cases[] = {
        {5, 3, "5000"},      {5, 0, "5"},         {5, -1, "0.5"},  {5, -3, "0.005"},  {12345, -3, "12.345"},
        {1500, -3, "1.500"}, {123, -3, "0.123"}, {0, -2, "0.00"}, {2, 11, "200000000000"},
        {7, -11, "0.00000000007"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.text, defaults_value_text(c.value, c.shift)) << c.value << " " << c.shift;
}

TEST(DefaultsSubst, Outcomes)
{
    Verbosity v(1);
    Registry reg;
    CellInstance *cell = reg.add("DFFR");
    TimingParam second{nullptr, "tB", 9}, first{&second, "tA", 2};
    TimingDefaults defaults{};
    defaults.params = &first;
    cell->scale_shift = 3;
    const std::string missing =
        "kestrove - Error : Timing patameter, \"ta\" not present in tdef file for cell \"DFFR\"\n";
    const struct {
        ValueTriple value;
        bool has_defaults;
        int report;
        std::string result, messages, audit;
    } cases[] = {
        // One stored text serves all three components; `absent` is untouched.
        {{1, "a", "tA", "c"}, true, 1, "absent (2000:2000:2000) shared", "",
         "Found parameter \"tA\" in defaults file\n"},
        {{0, nullptr, "tB", nullptr}, true, 0, "(9000:9000:9000) shared", "", ""},
        {{0, "x", "0", "y"}, true, 1, "(x:0:y)", "", "Passing explicit zero through unchanged\n"},
        {{0, "tA", nullptr, nullptr}, true, 1, "()", "kestrove - Error : triple corrupt for cell, \"DFFR\"\n",
         ""},
        {{0, "tA", "ta", "tA"}, true, 1, "()", missing, "Parameter \"ta\" not present in defaults file\n"},
        {{0, "tA", "ta", "tA"}, true, 0, "()", missing, ""},
        {{0, "a", "tA", "c"}, false, 1, "()",
         "kestrove - Warning : tdef file for cell, \"DFFR\" not present\n", ""},
    };
    for (const auto &c : cases) {
        ValueTriple v = c.value;
        cell->defaults = c.has_defaults ? &defaults : nullptr;
        Scratch audit;
        TextOut text;
        text.stream = audit.f;
        capture_stderr();
        substitute_from_defaults(&v, cell, nullptr, &text, c.report, test_msg);
        text_release(&text);
        EXPECT_EQ(c.messages, captured_stderr()) << c.result;
        EXPECT_EQ(c.audit, audit.text()) << c.result;
        bool shared = v.typ && v.min == v.typ && v.max == v.typ;
        ValueTriple shown = v;
        shown.absent = 0;
        EXPECT_EQ(c.result, (v.absent ? "absent " : "") + value_text(shown) + (shared ? " shared" : ""));
    }
    cell->defaults = nullptr;
}

} // namespace
