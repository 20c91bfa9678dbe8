// The input SDF reader: the whole read, remap and write of one input file,
// with three templates registered so that templated cells are parsed,
// matched and written and the others are copied through. Each input is read
// twice, in whole read-ahead blocks and in tiny ones, and the two outputs
// must be the same: the inputs are far shorter than a block, so only the
// tiny blocks put seams inside them. A third reading takes the input
// compressed in two members through the decompressor, in tiny blocks too.
// Inputs whose last byte is odd are read extended, so that both readings
// get explored.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <zlib.h>

#include "fuzz_fixture.h"
#include "sdf/sdf_input.h"

namespace {

struct Input {
    const uint8_t *data;
    size_t size;
    std::string packed; // empty when the input is compressed data already
};

// `size` bytes of `data` in gzip form, as two members split in the middle.
std::string gzip_two_members(const uint8_t *data, size_t size)
{
    std::string out;
    size_t half = size / 2;
    for (int second = 0; second < 2; second++) {
        size_t from = second ? half : 0;
        size_t part = second ? size - half : half;
        z_stream z{};
        deflateInit2(&z, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        std::vector<Bytef> buf(deflateBound(&z, part) + 32);
        z.next_in = const_cast<Bytef *>(data + from);
        z.avail_in = static_cast<uInt>(part);
        z.next_out = buf.data();
        z.avail_out = static_cast<uInt>(buf.size());
        deflate(&z, Z_FINISH);
        out.append(reinterpret_cast<char *>(buf.data()), buf.size() - z.avail_out);
        deflateEnd(&z);
    }
    return out;
}

std::string remap_with_block(const uint8_t *data, size_t size, size_t block, int extended,
                             const char *out_name)
{
    FILE *out = fixture_open(out_name, "w+");
    fixture_remap_stream_to(fixture_memory_stream(data, size), "in.sdf", out, extended, block);
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
    size_t block = 1 + in->size % 37;
    int extended = in->size && (in->data[in->size - 1] & 1);
    std::string whole = remap_with_block(in->data, in->size, SDF_INPUT_BLOCK, extended, "whole.out");
    std::string seamed = remap_with_block(in->data, in->size, block, extended, "seamed.out");
    if (whole != seamed) {
        fprintf(stderr, "output differs with read-ahead blocks of %zu bytes\n", block);
        abort();
    }
    if (in->packed.empty())
        return;
    const auto *packed = reinterpret_cast<const uint8_t *>(in->packed.data());
    if (whole != remap_with_block(packed, in->packed.size(), block, extended, "packed.out")) {
        fprintf(stderr, "compressed input read otherwise, blocks of %zu bytes\n", block);
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
    bool compressed = size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
    Input in{data, size, compressed ? std::string() : gzip_two_members(data, size)};
    fixture_run(run, &in);
    return 0;
}
