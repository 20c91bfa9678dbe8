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

#if defined(__linux__) && !defined(KESTROVE_PLAIN_ALLOC)
#include <sys/mman.h>
#endif

// Every allocation starts with this header, so that the arena can find all
// of them again; it is padded to the alignment records need.
struct alignas(std::max_align_t) ArenaBlock {
    ArenaBlock *next;
    size_t size; // bytes to carve records from; 0 for a record of its own
};

namespace {

const size_t ALIGN = alignof(std::max_align_t);
const size_t HEADER = sizeof(ArenaBlock);
const size_t FIRST_BLOCK = size_t(1) << 18;
const size_t LARGEST_BLOCK = size_t(1) << 23;
const size_t LARGE_PAGE = size_t(1) << 21;

// An allocation of its own for `size` bytes of records, linked into the arena.
char *own_block(Arena *arena, size_t size)
{
    auto *block = static_cast<ArenaBlock *>(xmalloc(HEADER + size));
    block->size = 0;
    block->next = arena->blocks;
    arena->blocks = block;
    return reinterpret_cast<char *>(block) + HEADER;
}

#ifndef KESTROVE_PLAIN_ALLOC

// Blocks double in size up to LARGEST_BLOCK, so that a run that collects
// little stays small.
ArenaBlock *fresh_block(Arena *arena)
{
    arena->block_size = arena->block_size ? arena->block_size : FIRST_BLOCK / 2;
    if (arena->block_size < LARGEST_BLOCK)
        arena->block_size *= 2;
    size_t size = arena->block_size;
    bool large_pages = size >= LARGE_PAGE;
    void *memory = aligned_alloc(large_pages ? LARGE_PAGE : ALIGN, size);
    if (!memory)
        memory = xmalloc(size);
#if defined(MADV_HUGEPAGE)
    if (large_pages)
        madvise(memory, size, MADV_HUGEPAGE);
#endif
    auto *block = static_cast<ArenaBlock *>(memory);
    block->size = size - HEADER;
    return block;
}

// A block to carve `size` bytes from: a spare one when it is large enough.
void new_block(Arena *arena, size_t size)
{
    ArenaBlock *block = arena->spare;
    if (block && block->size >= size) {
        arena->spare = block->next;
    } else {
        block = fresh_block(arena);
    }
    block->next = arena->blocks;
    arena->blocks = block;
    arena->next_free = reinterpret_cast<char *>(block) + HEADER;
    arena->bytes_left = block->size;
}

#endif

} // namespace

#ifdef KESTROVE_PLAIN_ALLOC

// Separate allocations keep the address checker's guard zones between
// records.
void *arena_alloc(Arena *arena, size_t size)
{
    return own_block(arena, size);
}

#else

void *arena_alloc(Arena *arena, size_t size)
{
    size = (size + ALIGN - 1) & ~(ALIGN - 1);
    if (size > LARGEST_BLOCK / 4)
        return own_block(arena, size);
    if (size > arena->bytes_left)
        new_block(arena, size);
    void *record = arena->next_free;
    arena->next_free += size;
    arena->bytes_left -= size;
    return record;
}

#endif

namespace {

void free_blocks(ArenaBlock *block)
{
    while (block) {
        ArenaBlock *next = block->next;
        free(block);
        block = next;
    }
}

} // namespace

void arena_free_all(Arena *arena)
{
    free_blocks(arena->blocks);
    free_blocks(arena->spare);
    *arena = Arena();
}

ArenaMark arena_mark(const Arena *arena)
{
    return ArenaMark{arena->blocks, arena->next_free, arena->bytes_left};
}

void arena_rewind(Arena *arena, ArenaMark mark)
{
    while (arena->blocks != mark.blocks) {
        ArenaBlock *block = arena->blocks;
        arena->blocks = block->next;
        if (block->size) {
            block->next = arena->spare;
            arena->spare = block;
        } else {
            free(block);
        }
    }
    arena->next_free = mark.next_free;
    arena->bytes_left = mark.bytes_left;
}
