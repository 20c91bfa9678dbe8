// The SDF lexer. There is no token stream: each parser asks for the kind of
// token its position in the grammar expects (keyword, identifier, quoted
// string, number, or just the next significant character), and gets back a
// pointer into the reader's line buffer plus a length. The input arrives in
// pieces of at most one line (2047 characters); a token that runs into the end
// of a piece is moved to the front of the buffer and the rest of its line is
// read behind it. In MODE_ECHO every character passed over without being
// returned (whitespace, comments, skipped entries) is written to the output as
// it goes by, in runs rather than one character at a time.
#include "sdf/sdf_lexer.h"

#include <cstdlib>
#include <cstring>

#include "sdf/sdf_block_skip.h"
#include "sdf/sdf_cond.h"
#include "sdf/sdf_input.h"
#include "support/run_exit.h"
#include "support/support.h"

namespace {

const int PIECE_MAX = SDF_LINE_BUF - 1;

enum CharClass : unsigned char {
    CC_LETTER = 1,
    CC_DIGIT = 2,
    CC_SPACE = 4,
    CC_SKIP_STOP = 8, // characters the entry skipper must look at
    CC_NUMBER = 16,   // characters a "%lg" conversion may consume
};

struct CharTable {
    unsigned char cls[256];
    constexpr CharTable() : cls()
    {
        for (int c = 'a'; c <= 'z'; c++)
            cls[c] |= CC_LETTER | CC_NUMBER;
        for (int c = 'A'; c <= 'Z'; c++)
            cls[c] |= CC_LETTER | CC_NUMBER;
        for (int c = '0'; c <= '9'; c++)
            cls[c] |= CC_DIGIT | CC_NUMBER;
        for (const char *s = " \t\n\r\v\f"; *s; s++)
            cls[static_cast<unsigned char>(*s)] |= CC_SPACE;
        for (const char *s = "\t\n\"()/"; *s; s++)
            cls[static_cast<unsigned char>(*s)] |= CC_SKIP_STOP;
        cls[0] |= CC_SKIP_STOP;
        for (const char *s = "._+-"; *s; s++)
            cls[static_cast<unsigned char>(*s)] |= CC_NUMBER;
    }
};

constexpr CharTable char_table;

inline bool has_class(char c, unsigned char cls)
{
    return char_table.cls[static_cast<unsigned char>(c)] & cls;
}

inline bool is_letter(char c) { return has_class(c, CC_LETTER); }
inline bool is_digit(char c) { return has_class(c, CC_DIGIT); }

inline char fold(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

void echo_run(SdfReader *rd, const char *from, const char *to)
{
    if (rd->mode == MODE_ECHO && rd->out && to > from)
        fwrite(from, 1, static_cast<size_t>(to - from), rd->out);
}

bool read_next_piece(SdfReader *rd)
{
    rd->pos = rd->line_buf;
    return sdf_read_piece(rd, rd->line_buf, PIECE_MAX) > 0;
}

// Passes a block comment whose "/*" starts at `p`; returns the character
// after its "*/", or null at end of input (reported).
char *pass_block_comment(SdfReader *rd, char *p, char **run)
{
    bool star = false;
    p += 2;
    for (;;) {
        char c = *p;
        if (c == '\0') {
            echo_run(rd, *run, p);
            if (!read_next_piece(rd)) {
                msg_error_at(rd->source, "End of file inside comment.");
                return nullptr;
            }
            p = *run = rd->line_buf;
            continue;
        }
        if (star && c == '/')
            return p + 1;
        star = c == '*';
        if (c == '\n')
            rd->source->line++;
        p++;
    }
}

// Passes a line comment starting at `p` through its newline; null at end of
// input (reported as a warning: the comment itself is complete).
char *pass_line_comment(SdfReader *rd, char *p, char **run)
{
    p += 2;
    for (;;) {
        char *nl = strchr(p, '\n');
        if (nl) {
            rd->source->line++;
            return nl + 1;
        }
        echo_run(rd, *run, p + strlen(p));
        if (!read_next_piece(rd)) {
            msg_warning_at(rd->source, "End of file inside comment.");
            return nullptr;
        }
        p = *run = rd->line_buf;
    }
}

// Length of [start, end) when it is an optional sign followed by digits with
// at most one decimal point among or after them, at least one digit in all;
// otherwise 0.
int plain_decimal_length(const char *start, const char *end)
{
    const char *p = start;
    int digits = 0;
    if (p < end && (*p == '+' || *p == '-'))
        p++;
    for (; p < end && is_digit(*p); p++)
        digits++;
    if (p < end && *p == '.')
        for (p++; p < end && is_digit(*p); p++)
            digits++;
    return digits > 0 && p == end ? static_cast<int>(end - start) : 0;
}

// Moves the partial token [start, scan) to the start of line_buf and reads the
// rest of the line behind it; false when nothing more could be read.
bool refill_keep(SdfReader *rd, char **start, char **scan)
{
    int kept = static_cast<int>(*scan - *start);
    memmove(rd->line_buf, *start, static_cast<size_t>(kept));
    *start = rd->line_buf;
    *scan = rd->line_buf + kept;
    rd->pos = *scan;
    if (kept >= PIECE_MAX) {
        rd->line_buf[PIECE_MAX] = '\0';
        return false;
    }
    return sdf_read_piece(rd, *scan, PIECE_MAX - kept) > 0;
}

enum TokenRefill { TOKEN_GOES_ON, TOKEN_ENDS, TOKEN_OVERFLOWS };

// Brings the rest of the line behind a token that reached the end of the
// piece. A token cut by the end of the input is complete; only one that
// fills the whole buffer cannot be read.
TokenRefill refill_token(SdfReader *rd, char **start, char **scan)
{
    if (refill_keep(rd, start, scan))
        return TOKEN_GOES_ON;
    return *scan - *start < PIECE_MAX ? TOKEN_ENDS : TOKEN_OVERFLOWS;
}

} // namespace

SdfReader *sdf_reader_create(FILE *in, const char *name, const MsgSettings &ms,
                             const char *out_name,
                             FILE *out, int mode, int template_syntax, size_t block_size)
{
    SdfReader *rd = static_cast<SdfReader *>(xmalloc(sizeof(SdfReader)));
    rd->source = source_file_init(nullptr, in, name, &ms);
    rd->out_name = out_name;
    rd->out = out;
    rd->sink = nullptr;
    rd->at_end = false;
    rd->divider = '.';
    rd->timescale_exp = 3;
    rd->mode = mode;
    rd->template_syntax = template_syntax;
    rd->triple_form = FORM_UNDECIDED;
    rd->extended = 0;
    rd->arena = Arena();
    rd->conds = nullptr;
    rd->store_block = nullptr;
    rd->store_next = nullptr;
    rd->cells = nullptr;
    rd->last_cell = nullptr;
    rd->piece_skip = 0;
    rd->complete = 0;
    sdf_input_open(rd, block_size);
    // The newline only starts the line count at 1; it is never echoed.
    rd->line_buf[0] = '\n';
    rd->line_buf[1] = '\0';
    rd->pos = rd->line_buf;
    return rd;
}

namespace {

// Where the input ended when no significant character was left.
enum ScanEnd {
    SCAN_END_BETWEEN,          // between tokens, nothing reported
    SCAN_END_IN_LINE_COMMENT,  // the comment is complete; warned
    SCAN_END_IN_BLOCK_COMMENT, // an error, reported
};

// The next significant character, consumed; null at end of input, with
// `*end` saying where it ended.
char *next_significant(SdfReader *rd, ScanEnd *end)
{
    char *p = rd->pos;
    char *run = p; // passed-over text not yet echoed
    for (;;) {
        char c = *p;
        if (c == '\0') {
            echo_run(rd, run, p);
            if (!read_next_piece(rd)) {
                *end = SCAN_END_BETWEEN;
                return nullptr;
            }
            p = run = rd->line_buf;
            continue;
        }
        if (c == '\n') {
            if (rd->source->line++ == 0) {
                echo_run(rd, run, p);
                run = p + 1;
            }
            p++;
            continue;
        }
        if (has_class(c, CC_SPACE)) {
            p++;
            continue;
        }
        if (c == '/') {
            if (p[1] == '\0') {
                echo_run(rd, run, p);
                char *scan = p + 1;
                refill_keep(rd, &p, &scan);
                run = p;
            }
            // A '/' that ends the input starts no comment: it is significant.
            if (p[1] == '*' || p[1] == '/') {
                bool block = p[1] == '*';
                p = block ? pass_block_comment(rd, p, &run) : pass_line_comment(rd, p, &run);
                if (!p) {
                    *end = block ? SCAN_END_IN_BLOCK_COMMENT : SCAN_END_IN_LINE_COMMENT;
                    return nullptr;
                }
                continue;
            }
        }
        echo_run(rd, run, p);
        rd->pos = p + 1;
        return p;
    }
}

// The first character of a token, or null with the reader's end state set:
// a line comment that ends the input is complete, so the input ended between
// tokens; an unclosed block comment is an error.
char *token_start(SdfReader *rd)
{
    ScanEnd end;
    char *start = next_significant(rd, &end);
    if (!start)
        rd->at_end = end != SCAN_END_IN_BLOCK_COMMENT;
    return start;
}

bool token_failed(SdfReader *rd, SdfToken *tok)
{
    rd->at_end = false;
    *tok = SdfToken{nullptr, 0};
    return false;
}

} // namespace

void sdf_reader_free(SdfReader *rd)
{
    for (ParsedCond *c = rd->conds; c; c = c->next)
        cond_free(c->tree);
    arena_free_all(&rd->arena);
    sdf_input_release(rd);
    free(rd->source->name);
    free(rd->source);
    free(rd);
}

bool sdf_next_char(SdfReader *rd, char *c)
{
    char *p = token_start(rd);
    *c = p ? *p : '\0';
    return p != nullptr;
}

bool sdf_at_end(const SdfReader *rd)
{
    return rd->at_end;
}

bool sdf_keyword(SdfReader *rd, SdfToken *tok)
{
    char *start = token_start(rd);
    *tok = SdfToken{nullptr, 0};
    if (!start)
        return false;
    char *p = start + 1;
    if (is_letter(*start)) {
        for (;;) {
            while (is_letter(*p))
                p++;
            if (*p != '\0')
                break;
            TokenRefill refill = refill_token(rd, &start, &p);
            if (refill == TOKEN_ENDS)
                break;
            if (refill == TOKEN_OVERFLOWS) {
                msg_error_at(rd->source, "Internal buffer overflow reading keyword\n");
                return token_failed(rd, tok);
            }
        }
    }
    rd->pos = p;
    *tok = SdfToken{start, static_cast<int>(p - start)};
    return true;
}

bool sdf_token(SdfReader *rd, SdfToken *tok)
{
    char *start = token_start(rd);
    *tok = SdfToken{nullptr, 0};
    if (!start)
        return false;
    char divider = rd->divider;
    char *p = start;
    if (!has_class(*p, CC_LETTER | CC_DIGIT) && *p != '_' && *p != divider) {
        *tok = SdfToken{start, 1};
        return true;
    }
    bool escaped = false, in_range = false;
    for (;;) {
        char c = *p;
        if (c == '\0') {
            TokenRefill refill = refill_token(rd, &start, &p);
            if (refill == TOKEN_ENDS)
                break;
            if (refill == TOKEN_OVERFLOWS) {
                msg_error_at(rd->source, "Internal buffer overflow reading token\n");
                return token_failed(rd, tok);
            }
            continue;
        }
        if (escaped) {
            escaped = false;
            if (c == '\n')
                rd->source->line++;
        } else if (in_range) {
            if (c == ']') {
                p++;
                break;
            }
            if (has_class(c, CC_LETTER) || c == '_' || c == '\\' || c == divider) {
                msg_error_at(rd->source, "Illegal range specifier");
                rd->pos = p;
                return token_failed(rd, tok);
            }
            if (!is_digit(c) && c != ':')
                break;
        } else if (c == '\\') {
            escaped = true;
        } else if (c == '[') {
            in_range = true;
        } else if (!has_class(c, CC_LETTER | CC_DIGIT) && c != '_' && c != divider) {
            break;
        }
        p++;
    }
    rd->pos = p;
    *tok = SdfToken{start, static_cast<int>(p - start)};
    return true;
}

bool sdf_quoted(SdfReader *rd, SdfToken *tok)
{
    char *quote = token_start(rd);
    *tok = SdfToken{nullptr, 0};
    if (!quote)
        return false;
    if (*quote != '"') {
        msg_error_at(rd->source, "Expecting quoted string\n");
        return token_failed(rd, tok);
    }
    for (char *p = quote + 1;; p++) {
        char c = *p;
        if (c == '"') {
            rd->pos = p + 1;
            *tok = SdfToken{quote + 1, static_cast<int>(p - quote - 1)};
            return true;
        }
        if (c == '\t') {
            msg_error_at(rd->source, "Illegal character in string\n");
            rd->pos = p;
            return token_failed(rd, tok);
        }
        if (c == '\n' || c == '\0') {
            msg_error_at(rd->source, "Unterminated string\n");
            rd->pos = p;
            return token_failed(rd, tok);
        }
    }
}

bool sdf_number(SdfReader *rd, SdfToken *tok)
{
    char *start = token_start(rd);
    if (!start) {
        msg_error_at(rd->source, "Expecting number\n");
        *tok = SdfToken{nullptr, 0};
        return false;
    }
    // The conversion only ever consumes characters of this class, so a run
    // of them that reaches the end of the piece may be a number cut in two.
    char *end = start;
    for (;;) {
        while (has_class(*end, CC_NUMBER))
            end++;
        if (*end != '\0' || end == start || !refill_keep(rd, &start, &end))
            break;
    }
    // Nearly every number in real files is a plain decimal; when one fills
    // the whole run, the conversion would consume exactly the run, so the
    // costly conversion is needed only for the rest (exponents, words, runs
    // with a second point or sign).
    int plain = plain_decimal_length(start, end);
    if (plain > 0) {
        *tok = SdfToken{start, plain};
        rd->pos = start + plain;
        return true;
    }
    // Converting a bounded copy keeps the cost per number independent of how
    // much of the line lies behind it.
    char text[SDF_LINE_BUF];
    size_t run = static_cast<size_t>(end - start);
    memcpy(text, start, run);
    text[run] = '\0';
    double value;
    int used = 0;
    int len = sscanf(text, "%lg%n", &value, &used) == 1 && used > 0 ? used : 1;
    *tok = SdfToken{start, len};
    rd->pos = start + len;
    return true;
}

bool sdf_skip_entry(SdfReader *rd)
{
    char *p = rd->pos;
    char *run = p;
    int depth = 0;
    bool in_string = false;
    for (;;) {
        while (!has_class(*p, CC_SKIP_STOP))
            p++;
        switch (*p) {
        case '\0': {
            echo_run(rd, run, p);
            // Outside strings the rest of the entry is passed block-wise.
            BlockSkip skip = in_string || rd->piece_skip
                                 ? (read_next_piece(rd) ? BLOCK_HANDOFF : BLOCK_END)
                                 : sdf_skip_blocks(rd, &depth);
            if (skip == BLOCK_CLOSED)
                return true;
            if (skip == BLOCK_END) {
                msg_error_at(rd->source, "Missing ')' at end of file.\n");
                return false;
            }
            p = run = rd->line_buf;
            continue;
        }
        case '\t':
            if (in_string) {
                echo_run(rd, run, p);
                msg_error_at(rd->source, "Illegal tab character in string.\n");
                rd->pos = p;
                return false;
            }
            break;
        case '\n':
            if (in_string) {
                echo_run(rd, run, p);
                msg_error_at(rd->source, "Unterminated string.\n");
                rd->pos = p;
                return false;
            }
            rd->source->line++;
            break;
        case '"':
            in_string = !in_string;
            break;
        case '(':
            if (!in_string)
                depth++;
            break;
        case ')':
            if (in_string)
                break;
            if (depth == 0) {
                echo_run(rd, run, p + 1);
                rd->pos = p + 1;
                return true;
            }
            depth--;
            break;
        case '/':
            // Inside a quoted string a slash is text, never a comment.
            if (in_string)
                break;
            echo_run(rd, run, p);
            rd->pos = p;
            ScanEnd end;
            p = next_significant(rd, &end);
            if (!p) {
                // A comment the input ends in has been reported by the comment reader.
                if (end == SCAN_END_BETWEEN)
                    msg_error_at(rd->source, "Missing ')' at end of file.\n");
                return false;
            }
            run = p;
            if (*p == '/')
                break;
            continue; // the character after a comment is examined afresh
        }
        p++;
    }
}

void sdf_echo(SdfReader *rd, const SdfToken &tok)
{
    if (rd->out && tok.len > 0)
        fwrite(tok.text, 1, static_cast<size_t>(tok.len), rd->out);
}

char *sdf_store(const char *text, int len, SdfReader *rd)
{
    if (len >= SDF_STORE_BLOCK) {
        msg_error_at(rd->source, "Token too long to store");
        throw RunExit{1};
    }
    if (rd->mode != MODE_COLLECT)
        return nullptr;
    if (!rd->store_block || (rd->store_next - rd->store_block) + len >= SDF_STORE_BLOCK) {
        rd->store_block = static_cast<char *>(arena_alloc(&rd->arena, SDF_STORE_BLOCK));
        rd->store_next = rd->store_block;
    }
    char *copy = rd->store_next;
    memcpy(copy, text, static_cast<size_t>(len));
    copy[len] = '\0';
    rd->store_next += len + 1;
    return copy;
}

namespace {

// 0 when the first n characters are equal ignoring case.
int keyword_ncmp(const char *keyword, const char *text, int n)
{
    for (int i = 0; i < n; i++) {
        char a = fold(keyword[i]), b = fold(text[i]);
        if (a != b)
            return static_cast<unsigned char>(a) - static_cast<unsigned char>(b);
        if (a == '\0')
            return 0;
    }
    return 0;
}

} // namespace

bool sdf_is_keyword(const char *keyword, const char *text, int len)
{
    return text && strlen(keyword) == static_cast<size_t>(len) &&
           keyword_ncmp(keyword, text, len) == 0;
}
