// Output-file creation under an explicit policy, allocation that never
// returns failure, and the two string comparisons the readers share.
#pragma once

#include <cstddef>
#include <cstdio>

// Policy of file_create for a file that already exists.
enum FileCreateMode {
    FILE_KEEP_WARN = 0,  // left alone, warning, null
    FILE_KEEP_ERROR = 1, // left alone, error, null
    FILE_OVERWRITE = 2,  // truncated with a warning
};

// Opens `name` for writing. An existing (readable) file is handled by `mode`;
// any other mode on an existing file is fatal (code 11). Returns null after
// reporting through `ms`.
struct MsgSettings;
FILE *file_create(const char *name, const MsgSettings &ms, int mode);

// Allocation that ends the run with status 1 when memory runs out.
// A request of size 0 may return null.
void *xmalloc(size_t size);
void *xrealloc(void *block, size_t size);

// 0 when the strings are equal apart from spaces and tabs, else 1.
int str_cmp_ignore_blanks(const char *a, const char *b);

// Case-insensitive comparison; 0 exactly when equal ignoring case.
int str_case_cmp(const char *a, const char *b);
