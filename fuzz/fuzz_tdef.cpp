// The timing-defaults reader: reads the input as a defaults file; when it is
// accepted, it also serves as the defaults of a fixed template that remaps a
// fixed input, so that its values go through rescaling and substitution.
#include <cstddef>
#include <cstdint>

#include "config/tdef.h"
#include "fuzz_fixture.h"

namespace {

struct Input {
    const uint8_t *data;
    size_t size;
};

const char *const PARAM_NAMES[] = {"tSU", "tCKQ_r", "tREM", "x"};

void run(void *p)
{
    auto *in = static_cast<Input *>(p);
    fixture_write("d.tdef", in->data, in->size);
    int status = -1;
    TimingDefaults *defaults = tdef_read("d.tdef", fixture_msg, &status);
    if ((status == TDEF_OK) != (defaults != nullptr))
        __builtin_trap(); // the status and the result disagree
    if (!defaults)
        return;
    for (const char *name : PARAM_NAMES) {
        const TimingParam *param = tdef_find(defaults, name);
        if (param && param->value < 0)
            __builtin_trap(); // negative values are zeroed by a successful read
    }
    tdef_free(defaults);

    fixture_write("DFFR_X1_typ.tdef", in->data, in->size);
    if (fixture_load_template("DFFR_X1", 1, nullptr))
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
