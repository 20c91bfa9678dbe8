// Tokenizer of the line-oriented configuration files (timing defaults and
// preferences). The whole file is read into memory; every token handed out is
// a NUL-terminated copy in a store that lives as long as the tokenizer.
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

enum CfgSkipMode {
    SKIP_TOKEN = 0,
    SKIP_FOUND = 1,
    SKIP_CONTINUATION = 2,
    SKIP_COMMENT = 3,
    SKIP_LINE = 4,
};

struct ConfigBuffer {
    char *text;
    char *store;
    char *cursor;
    char *store_next;
    int at_end;
    int size;
};

// Leading fields are those of SourceFile, so the tokenizer itself can be
// passed to the located message functions.
struct ConfigTokenizer {
    FILE *stream;
    char *name;
    int line;
    int errors;
    int warnings;
    int suppressed;
    ConfigBuffer *buf;
};

struct ConfigMark {
    char *cursor;
    char *store_next;
    int at_end;
    int line;
};

// Views the tokenizer as its message context.
inline SourceFile *cfg_source(ConfigTokenizer *tk)
{
    return reinterpret_cast<SourceFile *>(tk);
}

int cfg_open(const char *name, int quiet, ConfigTokenizer *tk);
int cfg_skip(ConfigTokenizer *tk, int mode);
// 0 at the start of a non-blank line, 1 when the text is exhausted.
int cfg_next_line(ConfigTokenizer *tk);
int cfg_line_is_blank(ConfigTokenizer *tk);
// CFG_NONE, CFG_NAME or CFG_CHAR; `text` set for the last two.
int cfg_next_token(ConfigTokenizer *tk, char **text);
// CFG_OK with a digit run, CFG_NONE or CFG_NOT_NUMBER.
int cfg_read_number(ConfigTokenizer *tk, char **text);
// CFG_OK, CFG_NONE, CFG_NOT_STRING (position kept) or CFG_BAD_STRING.
int cfg_read_string(ConfigTokenizer *tk, char **text);
// With null: a new mark of the position. With a mark: restores it and
// returns it; the caller frees it.
ConfigMark *cfg_mark(ConfigTokenizer *tk, ConfigMark *mark);
