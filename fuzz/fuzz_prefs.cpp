// The preferences reader: reads the input as a preferences file; when it is
// accepted, two fixed templates are loaded with it and remap a fixed input,
// so that its cell and condition equivalences and output switches take effect.
#include <cstddef>
#include <cstdint>

#include "config/prefs.h"
#include "fuzz_fixture.h"

namespace {

struct Input {
    const uint8_t *data;
    size_t size;
};

void run(void *p)
{
    auto *in = static_cast<Input *>(p);
    fixture_write("p.prefs", in->data, in->size);
    Preferences *prefs = prefs_read("p.prefs", fixture_msg);
    if (!prefs)
        return;
    if (prefs->pessim < 0 || prefs->pessim > 2)
        __builtin_trap(); // the matcher indexes the mean delays with it
    prefs_free(prefs);
    fixture_load_template("DFFR_X1", 1, "p.prefs");
    fixture_load_template("NAND2_X1", 0, "p.prefs");
    fixture_remap_fixed_input();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fixture_init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in{data, size};
    fixture_run(run, &in);
    return 0;
}
