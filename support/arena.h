// Storage for records that live as long as their owner (a reader's collected
// cells, their entries and token text). They are carved out of large blocks:
// one allocation per block instead of per record, and the larger blocks are
// offered to the system for backing with large pages, which spares a run
// with many remapped instances most of its page faults.
#pragma once

#include <cstddef>

struct ArenaBlock;

// Empty until the first allocation; owns every block it hands records from.
struct Arena {
    ArenaBlock *blocks = nullptr; // newest first
    ArenaBlock *spare = nullptr;  // blocks given back by a rewind, for reuse
    char *next_free = nullptr;    // in the newest block made for carving
    size_t bytes_left = 0;        // from next_free to that block's end
    size_t block_size = 0;        // size of that block; 0 before the first
};

// Uninitialised storage for `size` bytes, suitably aligned for any record,
// valid until arena_free_all. Ends the run like xmalloc when memory runs out.
void *arena_alloc(Arena *arena, size_t size);

// Frees every block of the arena and leaves it empty, ready for reuse.
void arena_free_all(Arena *arena);

// A point in the arena's history to return to.
struct ArenaMark {
    ArenaBlock *blocks;
    char *next_free;
    size_t bytes_left;
};

ArenaMark arena_mark(const Arena *arena);

// Gives back every record allocated since `mark`, which must not be older
// than a mark already rewound past. The blocks they were carved from are
// kept for later allocations, so that a run which handles its records a
// group at a time keeps touching the same pages instead of fresh ones.
void arena_rewind(Arena *arena, ArenaMark mark);
