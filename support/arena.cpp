#include "support/arena.h"

#include <cstddef>
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
// records, and rewinding frees them, so that a record used after its rewind
// is caught.
namespace {

struct Allocation {
    Allocation *previous;
    alignas(std::max_align_t) char data[1];
};

Allocation *newest;

} // namespace

void *arena_alloc(size_t size)
{
    Allocation *a = static_cast<Allocation *>(xmalloc(offsetof(Allocation, data) + size));
    a->previous = newest;
    newest = a;
    return a->data;
}

ArenaMark arena_mark()
{
    return ArenaMark{newest, nullptr, 0};
}

void arena_rewind(ArenaMark mark)
{
    while (newest != mark.block) {
        Allocation *a = newest;
        newest = a->previous;
        free(a);
    }
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

// Each block starts with this header; the blocks form one chain in the order
// they were first used, and a rewind keeps the later ones for reuse.
struct BlockHeader {
    BlockHeader *next;
    size_t size;
};
const size_t HEADER = (sizeof(BlockHeader) + ALIGN - 1) & ~(ALIGN - 1);

BlockHeader *first_block;
BlockHeader *current_block;
char *next_free;
size_t bytes_left;
size_t block_size = FIRST_BLOCK / 2;

// Blocks double in size up to LARGEST_BLOCK, so that a run that collects
// little stays small.
BlockHeader *fresh_block()
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
    BlockHeader *header = static_cast<BlockHeader *>(block);
    header->next = nullptr;
    header->size = block_size;
    return header;
}

void new_block()
{
    BlockHeader *next = current_block ? current_block->next : first_block;
    if (!next) {
        next = fresh_block();
        if (current_block)
            current_block->next = next;
        else
            first_block = next;
    }
    current_block = next;
    next_free = reinterpret_cast<char *>(next) + HEADER;
    bytes_left = next->size - HEADER;
}

} // namespace

void *arena_alloc(size_t size)
{
    size = (size + ALIGN - 1) & ~(ALIGN - 1);
    if (size > LARGEST_BLOCK / 4)
        return xmalloc(size);
    // A block kept from before a rewind may be too small; it is passed over.
    while (size > bytes_left)
        new_block();
    void *record = next_free;
    next_free += size;
    bytes_left -= size;
    return record;
}

ArenaMark arena_mark()
{
    return ArenaMark{current_block, next_free, bytes_left};
}

void arena_rewind(ArenaMark mark)
{
    current_block = static_cast<BlockHeader *>(mark.block);
    next_free = mark.next_free;
    bytes_left = mark.bytes_left;
}

#endif
