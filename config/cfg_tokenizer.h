// Tokenizer of the line-oriented configuration files (timing defaults and
// preferences). The whole file is read into memory; every token handed out is
// a NUL-terminated copy in a store that lives as long as the tokenizer.
//
// Lexical rules: lines end at '\n'; blanks are spaces and tabs; '#' starts a
// comment to the end of the line; outside a string a backslash joins the next
// physical line to the logical one. A name is a letter followed by letters,
// digits and underscores; every other non-blank byte (digits and bytes outside
// 7-bit ASCII included) is a token of its own. Reads never pass the end of the
// logical line: moving on is always an explicit cfg_next_line.
#pragma once

#include "support/messages.h"

enum CfgResult {
    CFG_OK = 0,
    CFG_NONE = 2,
    CFG_NAME = 3,
    CFG_CHAR = 4,
    CFG_NOT_NUMBER = 5,
    CFG_FAILED = 6,
    CFG_NOT_STRING = 9,
    CFG_BAD_STRING = 10,
};

struct ConfigBuffer {
    char *text;       // the file plus a NUL; freed once the end is reached
    char *store;      // token copies; 2 * size + 1024 bytes, so it cannot fill
    char *cursor;     // next character of `text` to examine
    char *store_next; // where the next token is copied
    int at_end;       // 1 once the end of the text was reached: no more tokens
    int size;         // bytes in the file
};

struct ConfigTokenizer {
    // The file and its counts for located messages; `line` is the physical
    // line under the cursor, 0 before the first cfg_next_line.
    SourceFile source;
    ConfigBuffer *buf; // null when cfg_open failed
};

struct ConfigMark {
    char *cursor;
    char *store_next;
    int at_end;
    long long line;
};

// Reads the whole file `name` into `tk`. CFG_OK, or CFG_FAILED after
// "File open failed" (not when `quiet`) or "Error reading file", counted on
// `tk`, which reports through `ms`. Either way `tk` must later go to cfg_close.
int cfg_open(const char *name, int quiet, const MsgSettings &ms, ConfigTokenizer *tk);
// Frees what the tokenizer owns: its name, its text and its buffer, and the
// token store too unless `keep_tokens` (tokens then stay valid for the run).
void cfg_close(ConfigTokenizer *tk, int keep_tokens);
// 0 at the start of a non-blank line, 1 when the text is exhausted (the text
// is then freed and every read yields no token). The first call moves to the
// first non-blank line; later calls leave the current line first.
int cfg_next_line(ConfigTokenizer *tk);
// 1 when no token remains on the logical line; the position is kept.
int cfg_line_is_blank(ConfigTokenizer *tk);
// CFG_NONE, CFG_NAME or CFG_CHAR; `text` set for the last two.
int cfg_next_token(ConfigTokenizer *tk, char **text);
// CFG_OK with a run of decimal digits, CFG_NONE, or CFG_NOT_NUMBER with
// nothing consumed.
int cfg_read_number(ConfigTokenizer *tk, char **text);
// A double-quoted string of one physical line, without its quotes, "\\" read
// as one backslash and any other backslash dropped with a warning. CFG_OK,
// CFG_NONE, CFG_NOT_STRING (position kept) or CFG_BAD_STRING after the error
// "Unexpected end of line" or "Unexpected end of file".
int cfg_read_string(ConfigTokenizer *tk, char **text);
// With null: a new mark of the position, allocated. With a mark: restores it,
// taking back the tokens copied since, and returns it; the caller frees it.
// Tokens read after the mark are invalid once it is restored.
ConfigMark *cfg_mark(ConfigTokenizer *tk, ConfigMark *mark);
