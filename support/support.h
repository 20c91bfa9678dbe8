// Allocation that never returns failure, and the two string comparisons the
// readers share.
#pragma once

#include <cstddef>
#include <cstdio>

// Allocation that ends the run with status 1 when memory runs out.
// A request of size 0 may return null.
void *xmalloc(size_t size);
void *xrealloc(void *block, size_t size);

// 0 when the strings are equal apart from spaces and tabs, else 1.
int str_cmp_ignore_blanks(const char *a, const char *b);

// Case-insensitive comparison; 0 exactly when equal ignoring case.
int str_case_cmp(const char *a, const char *b);
