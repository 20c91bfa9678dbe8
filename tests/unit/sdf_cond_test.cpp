#include <gtest/gtest.h>

#include <string>

#include "sdf/sdf_cond.h"

namespace {

std::string tree(const CondExpr *e)
{
    static const char *const ops[] = {"(", ")", "ONE", "ZERO", "NOT", "EQ", "NE", "AND", "OR"};
    if (!e || e->kind == COND_NAME)
        return e ? e->name : "null";
    if (e->kind == COND_ONE || e->kind == COND_ZERO)
        return ops[e->kind];
    std::string s = ops[e->kind] + ("(" + tree(e->left));
    return s + (e->kind == COND_NOT ? "" : ", " + tree(e->right)) + ")";
}

std::string parsed(const char *text)
{
    CondExpr *e = cond_parse(text);
    std::string s = tree(e);
    cond_free(e);
    return s;
}

TEST(CondParse, PrecedenceAndAssociativity)
{
    const char *const cases[][2] = {
        {"A && B || D", "OR(AND(A, B), D)"},
        {"A || B && D", "OR(A, AND(B, D))"},
        {"A & B && D | E", "AND(AND(A, B), OR(D, E))"},
        {"A | B & D", "OR(A, AND(B, D))"},
        {"A|B||D&E", "OR(OR(A, B), AND(D, E))"},
        {"!A == 1'b0", "EQ(NOT(A), ZERO)"},
        {"A == B == D", "EQ(EQ(A, B), D)"},
        {"A != 'B1 && B", "AND(NE(A, ONE), B)"},
        {"~(A || B) & C", "AND(NOT(OR(A, B)), C)"},
        {"!!A", "NOT(NOT(A))"},
        {"((A && B)) || 0", "OR(AND(A, B), ZERO)"},
        // Parsing stops at the first token that cannot continue the expression.
        {"() A", "A"}, {"A && B) || D", "AND(A, B)"}, {"A = B", "A"}, {"A[0] == 1", "A"},
        {"\tA ", "A"}, {"b1 && B0 && x_9", "AND(AND(b1, B0), x_9)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c[1], parsed(c[0])) << c[0];
}

TEST(CondParse, EmptyAndMalformedGiveNull)
{
    for (const char *text : {"", "   ", "A B", "A (B)", "1 A", "A &&", "&& A", "(A && B", "1'b", "b1'",
                             "1'bx", "2", "_", "!", "!)", "(A B) C", "(&& A) B", "A && (B", "A == == B"})
        EXPECT_EQ("null", parsed(text)) << '"' << text << '"';
}

TEST(CondEqual, StructureNotSpelling)
{
    const struct {
        const char *a, *b;
        int equal;
    } cases[] = {
        {"A & B", "A && B", 1},  {"!A", "~A", 1},   {"A == 1'b1", "A == 1", 1},
        {"A | 'b0", "A||1'B0", 1}, {"(A) && ((B))", "A && B", 1}, {"", "A B", 1},
        {"A && B", "B && A", 0}, {"a", "A", 0},     {"A == B", "A != B", 0},
        {"A && B || D", "A && (B || D)", 0}, {"1", "0", 0}, {"", "1", 0}, {"A", "A_", 0},
    };
    for (const auto &c : cases) {
        CondExpr *x = cond_parse(c.a), *y = cond_parse(c.b);
        EXPECT_EQ(c.equal, cond_equal(x, y)) << c.a << " vs " << c.b;
        cond_free(x);
        cond_free(y);
    }
}

} // namespace
