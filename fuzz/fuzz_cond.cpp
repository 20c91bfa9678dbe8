// The condition parser. The input holds one condition text, or two separated
// by a newline; besides not crashing, parsing must be repeatable and the
// structural comparison reflexive and symmetric.
#include <cstddef>
#include <cstdint>
#include <string>

#include "sdf/sdf_cond.h"

namespace {

struct Input {
    std::string first;
    std::string second;
    bool has_second;
};

void run(void *p)
{
    auto *in = static_cast<Input *>(p);
    CondExpr *a = cond_parse(in->first.c_str());
    CondExpr *again = cond_parse(in->first.c_str());
    if (!cond_equal(a, a) || !cond_equal(a, again))
        __builtin_trap();
    if (in->has_second) {
        CondExpr *b = cond_parse(in->second.c_str());
        if (cond_equal(a, b) != cond_equal(b, a))
            __builtin_trap();
        cond_free(b);
    }
    cond_free(again);
    cond_free(a);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The parser takes NUL-terminated text: an embedded NUL ends it.
    std::string text(reinterpret_cast<const char *>(data), size);
    text = text.c_str();
    Input in;
    size_t newline = text.find('\n');
    in.has_second = newline != std::string::npos;
    in.first = text.substr(0, newline);
    if (in.has_second)
        in.second = text.substr(newline + 1);
    // No files are involved, so no scratch directory either.
    run(&in);
    return 0;
}
