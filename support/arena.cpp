#include "support/arena.h"

#include <cstdlib>

#include "support/support.h"

#if defined(__SANITIZE_ADDRESS__)
#define KESTROVE_PLAIN_ALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTROVE_PLAIN_ALLOC 1
#endif
#endif

#ifdef KESTROVE_PLAIN_ALLOC

// Separate allocations keep the address checker's guard zones between
// records.
void *arena_alloc(size_t size)
{
    return xmalloc(size);
}

#else

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

const size_t ALIGN = alignof(std::max_align_t);
const size_t FIRST_BLOCK = size_t(1) << 18;
const size_t LARGEST_BLOCK = size_t(1) << 23;
const size_t LARGE_PAGE = size_t(1) << 21;

char *next_free;
size_t bytes_left;
size_t block_size = FIRST_BLOCK / 2;

// Blocks double in size up to LARGEST_BLOCK, so that a run that collects
// little stays small.
void new_block()
{
    if (block_size < LARGEST_BLOCK)
        block_size *= 2;
    bool large_pages = block_size >= LARGE_PAGE;
    void *block = aligned_alloc(large_pages ? LARGE_PAGE : ALIGN, block_size);
    if (!block)
        block = xmalloc(block_size);
#if defined(MADV_HUGEPAGE)
    if (large_pages)
        madvise(block, block_size, MADV_HUGEPAGE);
#endif
    next_free = static_cast<char *>(block);
    bytes_left = block_size;
}

} // namespace

void *arena_alloc(size_t size)
{
    size = (size + ALIGN - 1) & ~(ALIGN - 1);
    if (size > LARGEST_BLOCK / 4)
        return xmalloc(size);
    if (size > bytes_left)
        new_block();
    void *record = next_free;
    next_free += size;
    bytes_left -= size;
    return record;
}

#endif
