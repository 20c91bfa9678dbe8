// The SDF lexer works in place in the reader's line buffer. There is no token
// stream: each parser asks for the kind of token its position expects. A
// returned token is a pointer into line_buf plus a length, not terminated,
// valid until the next request on the same reader. In MODE_ECHO everything
// passed over (whitespace, comments, skipped entries) is copied to `out`.
#pragma once

#include <cstddef>
#include <cstdio>

#include "sdf/sdf_model.h"

// Allocates a reader over `in` named `name`, with the initial field values
// (line_buf holding "\n", divider '.', 1 ns, undecided form, empty store),
// reading ahead in blocks of `block_size` characters, reporting through `ms`.
SdfReader *sdf_reader_create(FILE *in, const char *name, const MsgSettings &ms,
                             const char *out_name,
                             FILE *out, int mode, int template_syntax,
                             size_t block_size = SDF_INPUT_BLOCK);

// Next significant character, consumed; null at end of input.
char *sdf_next_char(SdfReader *rd);
// A run of letters, or one other character; null at end of input.
char *sdf_keyword(SdfReader *rd, int *len);
// An identifier with escapes, dividers and one bus range, or one other
// character; null at end of input or on error.
char *sdf_token(SdfReader *rd, int *len);
// Text between double quotes (quotes consumed); null on error or end of input.
char *sdf_quoted(SdfReader *rd, int *len);
// The characters "%lg" accepts, or one other character; null at end of input.
char *sdf_number(SdfReader *rd, int *len);
// Consumes through the closing bracket of the current entry; 0 on success,
// 1 on failure (reported).
int sdf_skip_entry(SdfReader *rd);
// Writes the token to the output; a null token reports "Unexpected end of file".
void sdf_echo(SdfReader *rd, const char *text, int len);
// NUL-terminated copy in the reader's token store; null unless MODE_COLLECT.
// A token of SDF_STORE_BLOCK characters or more ends the process.
char *sdf_store(const char *text, int len, SdfReader *rd);
// Moves the partial token [start, scan) to the start of line_buf and reads the
// rest of the line behind it; false when nothing more could be read.
bool sdf_refill_keep(SdfReader *rd, char **start, char **scan);
// 0 when the first n characters are equal ignoring case.
int keyword_ncmp(const char *keyword, const char *text, int n);
// The keyword rule: same length and equal ignoring case.
bool sdf_is_keyword(const char *keyword, const char *text, int len);
