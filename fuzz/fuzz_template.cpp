// The template reader: loads the input as a template file (with bus
// expansion and a fixed defaults file) and, when it loads, remaps a fixed
// input SDF with it, so that odd templates reach the matchers and the writer.
#include <cstddef>
#include <cstdint>

#include "fuzz_fixture.h"

namespace {

struct Input {
    const uint8_t *data;
    size_t size;
};

void run(void *p)
{
    auto *in = static_cast<Input *>(p);
    fixture_write("t.sdft", in->data, in->size);
    if (fixture_load_template("t", 1, nullptr))
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
