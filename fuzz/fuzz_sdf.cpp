// The input SDF reader: the whole read, remap and write of one input file,
// with three templates registered so that templated cells are parsed,
// matched and written and the others are copied through.
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
    fixture_remap_stream(fixture_memory_stream(in->data, in->size), "in.sdf");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fixture_init();
    fixture_register_templates();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in{data, size};
    fixture_run(run, &in);
    return 0;
}
