// The template reader: loads the input as a template file (with bus
// expansion and a fixed defaults file) and, when it loads, remaps a fixed
// input SDF with it, so that odd templates reach the matchers and the writer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_fixture.h"

namespace {

// A template bus of n bits becomes n records, as it should; a range of
// millions of bits therefore only measures the machine's memory. Such
// inputs are passed over so the fuzzer can go on looking for real faults.
const long long MAX_BUS_BITS = 4096;

bool has_huge_range(const uint8_t *data, size_t size)
{
    for (size_t i = 0; i < size; i++) {
        if (data[i] != '[')
            continue;
        long long first = 0, second = 0;
        size_t j = i + 1;
        for (; j < size && data[j] >= '0' && data[j] <= '9' && first < (1LL << 40); j++)
            first = first * 10 + (data[j] - '0');
        if (j >= size || data[j] != ':')
            continue;
        for (j++; j < size && data[j] >= '0' && data[j] <= '9' && second < (1LL << 40); j++)
            second = second * 10 + (data[j] - '0');
        // Indices beyond int wrap when converted, into any width at all.
        if (llabs(first - second) >= MAX_BUS_BITS || first > INT32_MAX || second > INT32_MAX)
            return true;
    }
    return false;
}

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
    if (has_huge_range(data, size))
        return 0;
    Input in{data, size};
    fixture_run(run, &in);
    return 0;
}
