// The null-terminated array of candidates that a matcher collects for one
// template entry. It is allocated once and grown in steps of 256 entries, so
// a long instance does not cost an allocation per template entry.
#pragma once

#include <cstddef>

#include "support/support.h"

template <typename Entry>
struct CandidateArray {
    Entry **items;
    size_t room;  // always at least one more than the count, for the null
    size_t count;
};

const size_t CANDIDATE_STEP = 256;

template <typename Entry>
void candidates_clear(CandidateArray<Entry> *array)
{
    if (!array->items) {
        array->room = CANDIDATE_STEP;
        array->items = static_cast<Entry **>(xmalloc(array->room * sizeof(Entry *)));
    }
    array->count = 0;
    array->items[0] = nullptr;
}

template <typename Entry>
void candidates_push(CandidateArray<Entry> *array, Entry *entry)
{
    array->items[array->count++] = entry;
    if (array->count == array->room) {
        array->room += CANDIDATE_STEP;
        array->items =
            static_cast<Entry **>(xrealloc(array->items, array->room * sizeof(Entry *)));
    }
    array->items[array->count] = nullptr;
}
