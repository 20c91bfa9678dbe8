// The input SDF reader: the whole read, remap and write of one input file,
// with three templates registered so that templated cells are parsed,
// matched and written and the others are copied through. Each input is read
// twice, in whole read-ahead blocks and in tiny ones, and the two outputs
// must be the same: the inputs are far shorter than a block, so only the
// tiny blocks put seams inside them. Inputs whose last byte is odd are read
// extended, so that both readings get explored.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_fixture.h"
#include "sdf/sdf_input.h"

namespace {

struct Input {
    const uint8_t *data;
    size_t size;
};

std::string remap_with_block(const Input &in, size_t block, const char *out_name)
{
    sdf_input_block_size = block;
    FILE *out = fixture_open(out_name, "w+");
    int extended = in.size && (in.data[in.size - 1] & 1);
    fixture_remap_stream_to(fixture_memory_stream(in.data, in.size), "in.sdf", out, extended);
    fflush(out);
    rewind(out);
    std::string text;
    char piece[4096];
    for (size_t got; (got = fread(piece, 1, sizeof piece, out)) > 0;)
        text.append(piece, got);
    return text;
}

void run(void *p)
{
    auto *in = static_cast<Input *>(p);
    std::string whole = remap_with_block(*in, SDF_INPUT_BLOCK, "whole.out");
    std::string seamed = remap_with_block(*in, 1 + in->size % 37, "seamed.out");
    if (whole != seamed) {
        fprintf(stderr, "output differs with read-ahead blocks of %zu bytes\n",
                1 + in->size % 37);
        abort();
    }
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
