// Condition expressions. A tiny tokenizer hands out one token per call over
// the text and can push back the last one; the parser is a precedence-climbing
// loop that keeps the expression built so far and, for each binary operator,
// either returns to a caller that binds more loosely or parses the right
// operand at the operator's own precedence (so equal precedences associate to
// the left). A malformed text frees what was built and yields null; nothing is
// reported here.
#include "sdf/sdf_cond.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "support/support.h"

namespace {

struct CondLexer {
    const char *cursor;    // next character
    const char *tok_start; // last token, or null when nothing can be pushed back
    int tok_len;
    bool malformed;
    int nesting; // brackets, negations and operators taken so far
};

// The parser recurses once per bracket, negation and right operand, and the
// tree it builds is as deep as those nest; cond_free and cond_equal recurse
// over that tree. A condition with more of them than any real one has is
// treated as malformed rather than allowed to exhaust the stack.
const int MAX_NESTING = 10000;

// Precedences of the operators; a negation binds to the single operand after it.
const int PREC_NOT = 6;
const int PREC_EQUALITY = 5;
const int PREC_BIT_AND = 4;
const int PREC_BIT_OR = 3;
const int PREC_LOGICAL_AND = 2;
const int PREC_LOGICAL_OR = 1;

bool is_run_char(char c)
{
    return isalnum((unsigned char)c) || c == '_' || c == '\'';
}

bool is_name(const char *tok, int len)
{
    if (!isalpha((unsigned char)tok[0]))
        return false;
    for (int i = 1; i < len; i++)
        if (!isalnum((unsigned char)tok[i]) && tok[i] != '_')
            return false;
    return true;
}

// Constant literal forms are stored as character arrays so that the tables
// need no relocation and stay read-only.
typedef char LiteralForms[4][5];

bool token_is_one_of(const char *tok, int len, const LiteralForms &forms)
{
    for (const char *form : forms)
        if ((int)strlen(form) == len && strncmp(form, tok, len) == 0)
            return true;
    return false;
}

CondKind classify(const char *tok, int len)
{
    static const LiteralForms one_forms = {"'b1", "'B1", "1'b1", "1'B1"};
    static const LiteralForms zero_forms = {"'b0", "'B0", "1'b0", "1'B0"};
    if (is_name(tok, len))
        return COND_NAME;
    if (len > 1) {
        if (strncmp(tok, "==", 2) == 0 && len == 2)
            return COND_EQ;
        if (strncmp(tok, "!=", 2) == 0 && len == 2)
            return COND_NE;
        if (strncmp(tok, "&&", 2) == 0 && len == 2)
            return COND_AND;
        if (strncmp(tok, "||", 2) == 0 && len == 2)
            return COND_OR;
        if (token_is_one_of(tok, len, one_forms))
            return COND_ONE;
        if (token_is_one_of(tok, len, zero_forms))
            return COND_ZERO;
        return COND_BAD;
    }
    switch (tok[0]) {
    case '!':
    case '~':
        return COND_NOT;
    case '&':
        return COND_AND;
    case '|':
        return COND_OR;
    case '(':
        return COND_LPAREN;
    case ')':
        return COND_RPAREN;
    case '0':
        return COND_ZERO;
    case '1':
        return COND_ONE;
    }
    return COND_BAD;
}

int operator_length(const char *p)
{
    static const char pairs[][3] = {"==", "!=", "&&", "||"};
    for (const char *pair : pairs)
        if (p[0] == pair[0] && p[1] == pair[1])
            return 2;
    if (p[0] && strchr("()!~&|", p[0]))
        return 1;
    int len = 0;
    while (is_run_char(p[len]))
        len++;
    return len;
}

CondKind cond_next_token(CondLexer *lx)
{
    while (*lx->cursor == ' ' || *lx->cursor == '\t')
        lx->cursor++;
    int len = *lx->cursor ? operator_length(lx->cursor) : 0;
    if (len == 0) {
        // End of text, or a character that begins no token: the condition
        // ends here and nothing is consumed.
        lx->tok_start = nullptr;
        lx->tok_len = 0;
        return COND_END;
    }
    lx->tok_start = lx->cursor;
    lx->tok_len = len;
    lx->cursor += len;
    return classify(lx->tok_start, len);
}

void cond_unget(CondLexer *lx)
{
    if (!lx->tok_start)
        return;
    lx->cursor -= lx->tok_len;
    lx->tok_start = nullptr;
    lx->tok_len = 0;
}

// The written form decides the precedence: "&" binds tighter than "&&".
int binary_precedence(CondKind kind, const CondLexer *lx)
{
    bool doubled = lx->tok_len == 2;
    switch (kind) {
    case COND_EQ:
    case COND_NE:
        return PREC_EQUALITY;
    case COND_AND:
        return doubled ? PREC_LOGICAL_AND : PREC_BIT_AND;
    case COND_OR:
        return doubled ? PREC_LOGICAL_OR : PREC_BIT_OR;
    case COND_LPAREN:
    case COND_RPAREN:
    case COND_ONE:
    case COND_ZERO:
    case COND_NOT:
    case COND_NAME:
    case COND_END:
    case COND_BAD:
        return 0;
    }
    return 0;
}

CondExpr *new_node(int kind, CondExpr *left, CondExpr *right, char *name = nullptr)
{
    CondExpr *node = static_cast<CondExpr *>(xmalloc(sizeof(CondExpr)));
    node->kind = kind;
    node->left = left;
    node->right = right;
    node->name = name;
    return node;
}

CondExpr *new_name(const CondLexer *lx)
{
    char *text = static_cast<char *>(xmalloc(lx->tok_len + 1));
    memcpy(text, lx->tok_start, lx->tok_len);
    text[lx->tok_len] = '\0';
    return new_node(COND_NAME, nullptr, nullptr, text);
}

// A malformed piece makes the whole text malformed, even when an enclosing
// bracket or operator would otherwise carry on past the null it returns.
CondExpr *malformed(CondLexer *lx, CondExpr *built)
{
    cond_free(built);
    lx->malformed = true;
    return nullptr;
}

CondExpr *cond_parse_expr(CondLexer *lx, int min_prec)
{
    CondExpr *acc = nullptr;
    for (;;) {
        CondKind kind = cond_next_token(lx);
        if ((kind == COND_LPAREN || kind == COND_NOT) && ++lx->nesting > MAX_NESTING)
            return malformed(lx, acc);
        switch (kind) {
        case COND_ONE:
        case COND_ZERO:
            if (acc)
                return malformed(lx, acc);
            acc = new_node(kind, nullptr, nullptr);
            break;
        case COND_NAME:
            if (acc)
                return malformed(lx, acc);
            acc = new_name(lx);
            break;
        case COND_END:
            return acc;
        case COND_BAD:
            return malformed(lx, acc);
        case COND_RPAREN:
            cond_unget(lx);
            return acc;
        case COND_LPAREN: {
            if (acc)
                return malformed(lx, acc);
            CondExpr *inner = cond_parse_expr(lx, 0);
            if (cond_next_token(lx) != COND_RPAREN) {
                cond_unget(lx);
                return malformed(lx, inner);
            }
            // An empty pair of brackets leaves nothing held, as if absent.
            acc = inner;
            break;
        }
        case COND_NOT: {
            if (acc)
                return malformed(lx, acc);
            CondExpr *operand = cond_parse_expr(lx, PREC_NOT);
            if (!operand)
                return malformed(lx, nullptr);
            acc = new_node(COND_NOT, operand, nullptr);
            break;
        }
        case COND_EQ:
        case COND_NE:
        case COND_AND:
        case COND_OR: {
            int prec = binary_precedence(kind, lx);
            if (min_prec >= prec) {
                cond_unget(lx);
                return acc;
            }
            if (++lx->nesting > MAX_NESTING)
                return malformed(lx, acc);
            if (!acc)
                return malformed(lx, nullptr);
            CondExpr *right = cond_parse_expr(lx, prec);
            if (!right)
                return malformed(lx, acc);
            acc = new_node(kind, acc, right);
            break;
        }
        }
    }
}

} // namespace

CondExpr *cond_parse(const char *text)
{
    CondLexer lx = {text, nullptr, 0, false, 0};
    CondExpr *tree = cond_parse_expr(&lx, 0);
    if (lx.malformed) {
        cond_free(tree);
        return nullptr;
    }
    return tree;
}

int cond_equal(const CondExpr *a, const CondExpr *b)
{
    if (!a || !b)
        return a == b;
    if (a->kind != b->kind)
        return 0;
    switch ((CondKind)a->kind) {
    case COND_ONE:
    case COND_ZERO:
        return 1;
    case COND_NOT:
        return cond_equal(a->left, b->left);
    case COND_EQ:
    case COND_NE:
    case COND_AND:
    case COND_OR:
        return cond_equal(a->left, b->left) && cond_equal(a->right, b->right);
    case COND_NAME:
        return strcmp(a->name, b->name) == 0;
    case COND_LPAREN:
    case COND_RPAREN:
    case COND_END:
    case COND_BAD:
        // Token kinds only; no node carries them.
        return 0;
    }
    return 0;
}

void cond_free(CondExpr *tree)
{
    if (!tree)
        return;
    switch ((CondKind)tree->kind) {
    case COND_NOT:
        cond_free(tree->left);
        break;
    case COND_EQ:
    case COND_NE:
    case COND_AND:
    case COND_OR:
        cond_free(tree->left);
        cond_free(tree->right);
        break;
    case COND_NAME:
        free(tree->name);
        break;
    case COND_ONE:
    case COND_ZERO:
    case COND_LPAREN:
    case COND_RPAREN:
    case COND_END:
    case COND_BAD:
        break;
    }
    free(tree);
}
