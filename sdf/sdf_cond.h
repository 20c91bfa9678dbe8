// Condition expressions of COND entries and preference rules, parsed into
// small trees that are compared structurally. Nothing here reports errors.
#pragma once

enum CondKind {
    COND_LPAREN = 0,
    COND_RPAREN = 1,
    COND_ONE = 2,
    COND_ZERO = 3,
    COND_NOT = 4,
    COND_EQ = 5,
    COND_NE = 6,
    COND_AND = 7,
    COND_OR = 8,
    COND_NAME = 9,
    COND_END = 10,
    COND_BAD = 11,
};

struct CondExpr {
    int kind;        // CondKind, COND_ONE to COND_NAME
    CondExpr *left;  // operand of NOT, left operand of a binary operator
    CondExpr *right; // right operand of a binary operator
    char *name;      // owned text of a COND_NAME
};

// The tree of `text`, or null when it is empty or malformed.
CondExpr *cond_parse(const char *text);
// 1 when the trees are structurally equal (both may be null).
int cond_equal(const CondExpr *a, const CondExpr *b);
// Frees the tree and its names; null is allowed.
void cond_free(CondExpr *tree);
