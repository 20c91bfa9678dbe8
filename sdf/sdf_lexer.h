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

// A token: a pointer into line_buf plus a length, not terminated, valid
// until the next request on the same reader. A failed request leaves it
// empty (text null, length 0), which no keyword matches.
struct SdfToken {
    const char *text;
    int len;
};

// Every request below returns true when it delivered what it reads and false
// when it did not; after a false, sdf_at_end tells whether the input ran out
// where the token should have begun (nothing reported, unless noted) or the
// failure was an error reported at the spot.

// Frees the reader with everything it collected: its cells and their
// entries, texts and condition trees, its token store, its input block and
// its message context. The input stream itself is left to its owner.
void sdf_reader_free(SdfReader *rd);

// Next significant character, consumed; '\0' on failure. Fails only at end
// of input, or at an unclosed block comment (reported).
[[nodiscard]] bool sdf_next_char(SdfReader *rd, char *c);
// A run of letters, or one other character.
[[nodiscard]] bool sdf_keyword(SdfReader *rd, SdfToken *tok);
// An identifier with escapes, dividers and one bus range, or one other
// character.
[[nodiscard]] bool sdf_token(SdfReader *rd, SdfToken *tok);
// Text between double quotes (quotes consumed).
[[nodiscard]] bool sdf_quoted(SdfReader *rd, SdfToken *tok);
// The characters "%lg" accepts, or one other character. At end of input
// "Expecting number" is reported.
[[nodiscard]] bool sdf_number(SdfReader *rd, SdfToken *tok);
// After a failed request: true when the input had ended, false when the
// request reported an error.
bool sdf_at_end(const SdfReader *rd);
// Consumes through the closing bracket of the current entry; false on
// failure (reported).
[[nodiscard]] bool sdf_skip_entry(SdfReader *rd);
// Writes the token to the output.
void sdf_echo(SdfReader *rd, const SdfToken &tok);
// NUL-terminated copy in the reader's token store; null unless MODE_COLLECT.
// A token of SDF_STORE_BLOCK characters or more ends the process.
char *sdf_store(const char *text, int len, SdfReader *rd);
// The keyword rule: same length and equal ignoring case.
bool sdf_is_keyword(const char *keyword, const char *text, int len);
