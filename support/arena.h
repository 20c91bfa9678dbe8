// Storage for records that live until the process ends (collected cells,
// their entries and token text). They are carved out of large blocks: one
// allocation per block instead of per record, and the larger blocks are
// offered to the system for backing with large pages, which spares a
// run with many remapped instances most of its page faults.
#pragma once

#include <cstddef>

// Uninitialised storage for `size` bytes, suitably aligned for any record;
// never freed. Ends the process like xmalloc when memory runs out.
void *arena_alloc(size_t size);

// A point in the arena's history to return to.
struct ArenaMark {
    void *block;
    char *next_free;
    size_t bytes_left;
};

ArenaMark arena_mark();

// Gives back everything allocated since `mark` (which must not be older than
// a mark already rewound past): later allocations reuse the same storage, so
// that a run which handles its records one group at a time keeps touching
// the same pages instead of fresh ones.
void arena_rewind(ArenaMark mark);
