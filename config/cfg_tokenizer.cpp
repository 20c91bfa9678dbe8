// Configuration tokenizer. The file is read with one call into one buffer and
// walked with a cursor. Every read first runs the skipping machine (blanks,
// comments, continuation backslashes), which stops in front of a token or at
// the end of the logical line; the token is then copied, NUL-terminated, into
// a store sized so that it cannot fill up: each byte of text is copied at most
// once plus one terminator per token, and a restored mark gives back what was
// copied since it was made. Both configuration formats share these rules:
// the defaults reader wants names, single characters and digit runs, the
// preferences reader adds double-quoted strings and marks for look-ahead.
#include "config/cfg_tokenizer.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "support/support.h"

namespace {

// Room added behind the text and the store.
const long BUFFER_SLACK = 1024;

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

// Letters of 7-bit ASCII only; other bytes are single-character tokens.
bool is_letter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool is_name_char(char c)
{
    return is_letter(c) || is_digit(c) || c == '_';
}

void save_position(const ConfigTokenizer *tk, ConfigMark *mark)
{
    mark->cursor = tk->buf->cursor;
    mark->store_next = tk->buf->store_next;
    mark->at_end = tk->buf->at_end;
    mark->line = tk->source.line;
}

void restore_position(ConfigTokenizer *tk, const ConfigMark *mark)
{
    tk->buf->cursor = mark->cursor;
    tk->buf->store_next = mark->store_next;
    // Once the text is freed no mark may bring the cursor back into it.
    tk->buf->at_end = mark->at_end || !tk->buf->text;
    tk->source.line = mark->line;
}

// Sizes the stream; -1 when it cannot be sized or is too big for `size`.
long stream_size(FILE *stream)
{
    if (fseek(stream, 0, SEEK_END) != 0)
        return -1;
    long size = ftell(stream);
    if (size < 0 || size > (INT_MAX - BUFFER_SLACK) / 2)
        return -1;
    return size;
}

int fail_reading(ConfigTokenizer *tk)
{
    msg_error_in_file(&tk->source, "Error reading file");
    fclose(tk->source.stream);
    tk->source.stream = nullptr;
    return CFG_FAILED;
}

ConfigBuffer *buffer_new(long size)
{
    ConfigBuffer *buf = static_cast<ConfigBuffer *>(xmalloc(sizeof(ConfigBuffer)));
    buf->text = static_cast<char *>(xmalloc(size + BUFFER_SLACK));
    buf->store = static_cast<char *>(xmalloc(2 * size + BUFFER_SLACK));
    buf->cursor = buf->text;
    buf->store_next = buf->store;
    buf->at_end = 0;
    buf->size = static_cast<int>(size);
    return buf;
}

void free_text(ConfigBuffer *buf)
{
    free(buf->text);
    buf->text = nullptr;
    buf->cursor = nullptr;
}

char *finish_token(ConfigBuffer *buf, char *start)
{
    *buf->store_next++ = '\0';
    return start;
}

} // namespace

int cfg_open(const char *name, int quiet, const MsgSettings &ms, ConfigTokenizer *tk)
{
    FILE *stream = fopen(name, "rb");
    source_file_init(&tk->source, stream, name, &ms);
    tk->buf = nullptr;
    if (!stream) {
        if (!quiet)
            msg_error_in_file(&tk->source, "File open failed");
        return CFG_FAILED;
    }
    long size = stream_size(stream);
    if (size < 0)
        return fail_reading(tk);
    rewind(stream);
    tk->buf = buffer_new(size);
    if (fread(tk->buf->text, 1, size, stream) != static_cast<size_t>(size) || ferror(stream))
        return fail_reading(tk);
    fclose(stream);
    tk->source.stream = nullptr;
    tk->buf->text[size] = '\0';
    return CFG_OK;
}

void cfg_close(ConfigTokenizer *tk, int keep_tokens)
{
    if (tk->buf) {
        free(tk->buf->text);
        if (!keep_tokens)
            free(tk->buf->store);
        free(tk->buf);
        tk->buf = nullptr;
    }
    free(tk->source.name);
    tk->source.name = nullptr;
}

namespace {

enum CfgSkipMode {
    SKIP_TOKEN = 0,
    SKIP_FOUND = 1,
    SKIP_CONTINUATION = 2,
    SKIP_COMMENT = 3,
    SKIP_LINE = 4,
};

// The skipping machine, in SKIP_TOKEN or SKIP_LINE mode. SKIP_TOKEN: 1 in
// front of a token of the logical line, 0 at its end. SKIP_LINE: 1 just after
// the newline that ends the logical line, 0 at the end of the text. Warns
// about non-blank characters between a continuation backslash and its
// newline, each time it passes them: look-ahead that a restored mark takes
// back warns again, and every warning counts.
int skip(ConfigTokenizer *tk, int mode)
{
    ConfigBuffer *buf = tk->buf;
    if (!buf || tk->source.line == 0 || buf->at_end)
        return 0;
    int saved_mode = SKIP_TOKEN;
    bool after_backslash = false;
    bool in_comment = false;
    for (;;) {
        char c = *buf->cursor;
        switch (static_cast<CfgSkipMode>(mode)) {
        case SKIP_TOKEN:
            if (c == '\0' || c == '\n')
                return 0;
            if (c == '#') {
                mode = SKIP_COMMENT;
            } else if (c == '\\') {
                saved_mode = SKIP_TOKEN;
                after_backslash = false;
                mode = SKIP_CONTINUATION;
            } else if (!is_blank(c)) {
                mode = SKIP_FOUND;
                break;
            }
            buf->cursor++;
            break;
        case SKIP_FOUND:
            return 1;
        case SKIP_CONTINUATION:
            if (c == '\0')
                return 0;
            if (c == '\n') {
                if (after_backslash)
                    msg_warning_at(&tk->source, "Unexpected characters after '\\' (ignored)");
                after_backslash = false;
                tk->source.line++;
                mode = saved_mode;
            } else if (!is_blank(c)) {
                after_backslash = true;
            }
            buf->cursor++;
            break;
        case SKIP_COMMENT:
            if (c == '\0' || c == '\n')
                return 0;
            buf->cursor++;
            break;
        case SKIP_LINE:
            if (c == '\0')
                return 0;
            buf->cursor++;
            if (c == '\n') {
                tk->source.line++;
                return 1;
            }
            if (c == '#') {
                in_comment = true;
            } else if (c == '\\' && !in_comment) {
                saved_mode = SKIP_LINE;
                after_backslash = false;
                mode = SKIP_CONTINUATION;
            }
            break;
        }
    }
}

} // namespace

int cfg_line_is_blank(ConfigTokenizer *tk)
{
    if (!tk->buf || tk->buf->at_end)
        return 1;
    ConfigMark mark;
    save_position(tk, &mark);
    char *text;
    int result = cfg_next_token(tk, &text);
    restore_position(tk, &mark);
    return result == CFG_NONE;
}

int cfg_next_line(ConfigTokenizer *tk)
{
    ConfigBuffer *buf = tk->buf;
    if (!buf || buf->at_end)
        return 1;
    if (tk->source.line == 0) {
        tk->source.line = 1;
        if (!cfg_line_is_blank(tk))
            return 0;
    }
    for (;;) {
        if (!skip(tk, SKIP_LINE) || *buf->cursor == '\0') {
            buf->at_end = 1;
            free_text(buf);
            return 1;
        }
        if (!cfg_line_is_blank(tk))
            return 0;
    }
}

int cfg_next_token(ConfigTokenizer *tk, char **text)
{
    if (!skip(tk, SKIP_TOKEN))
        return CFG_NONE;
    ConfigBuffer *buf = tk->buf;
    char *start = buf->store_next;
    char first = *buf->cursor++;
    *buf->store_next++ = first;
    if (!is_letter(first)) {
        *text = finish_token(buf, start);
        return CFG_CHAR;
    }
    while (is_name_char(*buf->cursor))
        *buf->store_next++ = *buf->cursor++;
    *text = finish_token(buf, start);
    return CFG_NAME;
}

int cfg_read_number(ConfigTokenizer *tk, char **text)
{
    if (!skip(tk, SKIP_TOKEN))
        return CFG_NONE;
    ConfigBuffer *buf = tk->buf;
    if (!is_digit(*buf->cursor))
        return CFG_NOT_NUMBER;
    char *start = buf->store_next;
    while (is_digit(*buf->cursor))
        *buf->store_next++ = *buf->cursor++;
    *text = finish_token(buf, start);
    return CFG_OK;
}

int cfg_read_string(ConfigTokenizer *tk, char **text)
{
    if (!tk->buf)
        return CFG_NONE;
    ConfigMark mark;
    save_position(tk, &mark);
    if (!skip(tk, SKIP_TOKEN))
        return CFG_NONE;
    ConfigBuffer *buf = tk->buf;
    if (*buf->cursor++ != '"') {
        restore_position(tk, &mark);
        return CFG_NOT_STRING;
    }
    char *start = buf->store_next;
    for (;;) {
        char c = *buf->cursor;
        if (c == '"') {
            buf->cursor++;
            *text = finish_token(buf, start);
            return CFG_OK;
        }
        if (c == '\\') {
            char escaped = buf->cursor[1];
            if (escaped == '\\') {
                *buf->store_next++ = '\\';
                buf->cursor += 2;
                continue;
            }
            // The end of the text is no character to name; the string is
            // simply unterminated.
            if (escaped != '\0')
                msg_warning_at(&tk->source, "Invalid meta character, '\\%c'", escaped);
            c = *++buf->cursor;
        }
        if (c == '\n' || c == '\0') {
            if (c == '\n')
                msg_error_at(&tk->source, "Unexpected end of line");
            else
                msg_error_at(&tk->source, "Unexpected end of file");
            buf->store_next = start;
            return CFG_BAD_STRING;
        }
        *buf->store_next++ = c;
        buf->cursor++;
    }
}

ConfigMark *cfg_mark(ConfigTokenizer *tk, ConfigMark *mark)
{
    if (mark) {
        restore_position(tk, mark);
        return mark;
    }
    mark = static_cast<ConfigMark *>(xmalloc(sizeof(ConfigMark)));
    save_position(tk, mark);
    return mark;
}
