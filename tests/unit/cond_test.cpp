#include <gtest/gtest.h>

#include <string>

#include "config/cond.h"

namespace {

std::string dump(const CondExpr *e)
{
    if (!e)
        return "null";
    const CondExpr *left = (const CondExpr *)e->left;
    switch ((CondKind)e->kind) {
    case COND_ONE:
        return "ONE";
    case COND_ZERO:
        return "ZERO";
    case COND_NAME:
        return (const char *)e->left;
    case COND_NOT:
        return "NOT(" + dump(left) + ")";
    case COND_EQ:
        return "EQ(" + dump(left) + ", " + dump(e->right) + ")";
    case COND_NE:
        return "NE(" + dump(left) + ", " + dump(e->right) + ")";
    case COND_AND:
        return "AND(" + dump(left) + ", " + dump(e->right) + ")";
    case COND_OR:
        return "OR(" + dump(left) + ", " + dump(e->right) + ")";
    case COND_LPAREN:
    case COND_RPAREN:
    case COND_END:
    case COND_BAD:
        break;
    }
    return "?";
}

std::string parsed(const char *text)
{
    CondExpr *e = cond_parse(text);
    std::string s = dump(e);
    cond_free(e);
    return s;
}

bool same(const char *a, const char *b)
{
    CondExpr *x = cond_parse(a);
    CondExpr *y = cond_parse(b);
    int eq = cond_equal(x, y);
    cond_free(x);
    cond_free(y);
    return eq == 1;
}

TEST(CondParse, PrecedenceAndAssociativity)
{
    struct {
        const char *text;
        const char *tree;
    } cases[] = {
        {"A && B || D", "OR(AND(A, B), D)"},
        {"A || B && D", "OR(A, AND(B, D))"},
        {"A & B && D | E", "AND(AND(A, B), OR(D, E))"},
        {"A | B & D", "OR(A, AND(B, D))"},
        {"A|B||D&E", "OR(OR(A, B), AND(D, E))"},
        {"!A == 1'b0", "EQ(NOT(A), ZERO)"},
        {"A == B == D", "EQ(EQ(A, B), D)"},
        {"A != 'B1 && B", "AND(NE(A, ONE), B)"},
        {"A == 1'b1 && B", "AND(EQ(A, ONE), B)"},
        {"~(A || B) & C", "AND(NOT(OR(A, B)), C)"},
        {"!!A", "NOT(NOT(A))"},
        {"(A)", "A"},
        {"((A && B)) || 0", "OR(AND(A, B), ZERO)"},
        {"() A", "A"},
        {"A && B) || D", "AND(A, B)"},
        {"A = B", "A"},
        {"A[0] == 1", "A"},
        {"\tA ", "A"},
        {"b1 && B0 && x_9", "AND(AND(b1, B0), x_9)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.tree, parsed(c.text)) << c.text;
}

TEST(CondParse, EmptyAndMalformedGiveNull)
{
    const char *texts[] = {
        "", "   ", "A B", "A (B)", "1 A", "A &&", "&& A", "(A && B", "1'b", "b1'",
        "1'bx", "2", "_", "!", "!)", "(A B) C", "(&& A) B", "A && (B", "A == == B",
    };
    for (const char *text : texts)
        EXPECT_EQ("null", parsed(text)) << '"' << text << '"';
}

TEST(CondEqual, StructureNotSpelling)
{
    EXPECT_TRUE(same("A & B", "A && B"));
    EXPECT_TRUE(same("!A", "~A"));
    EXPECT_TRUE(same("A == 1'b1", "A == 1"));
    EXPECT_TRUE(same("A | 'b0", "A||1'B0"));
    EXPECT_TRUE(same("(A) && ((B))", "A && B"));
    EXPECT_TRUE(same("", "A B"));

    EXPECT_FALSE(same("A && B", "B && A"));
    EXPECT_FALSE(same("a", "A"));
    EXPECT_FALSE(same("A == B", "A != B"));
    EXPECT_FALSE(same("A && B || D", "A && (B || D)"));
    EXPECT_FALSE(same("1", "0"));
    EXPECT_FALSE(same("", "1"));
    EXPECT_FALSE(same("A", "A_"));
}

} // namespace
