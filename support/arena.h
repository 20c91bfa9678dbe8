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
