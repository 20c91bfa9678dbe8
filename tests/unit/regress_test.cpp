// Inputs that once crashed the program, found by fuzzing and probing.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "config/template.h"
#include "sdf/sdf_cond.h"

namespace {

std::string repeat(const std::string &piece, int n)
{
    std::string out;
    for (int i = 0; i < n; i++)
        out += piece;
    return out;
}

std::string chain(int terms)
{
    std::string out = "A0";
    for (int i = 1; i < terms; i++)
        out += " && A" + std::to_string(i);
    return out;
}

// A COND nested hundreds of thousands deep overflowed the stack of the
// recursive parser (and of cond_free and cond_equal on the tree it built).
TEST(Regress, DeeplyNestedConditionsAreRejectedNotFatal)
{
    const int deep = 300000;
    EXPECT_EQ(nullptr, cond_parse((repeat("(", deep) + "A" + repeat(")", deep)).c_str()));
    EXPECT_EQ(nullptr, cond_parse((repeat("!", deep) + "A").c_str()));
    EXPECT_EQ(nullptr, cond_parse((repeat("~(", deep) + "A").c_str()));
    EXPECT_EQ(nullptr, cond_parse(chain(deep).c_str()));

    // Nesting of a depth that real files could have still parses as before.
    CondExpr *name = cond_parse("A");
    CondExpr *bracketed = cond_parse((repeat("(", 2000) + "A" + repeat(")", 2000)).c_str());
    EXPECT_TRUE(cond_equal(name, bracketed));
    CondExpr *negated = cond_parse((repeat("!", 2000) + "A").c_str());
    ASSERT_NE(nullptr, negated);
    EXPECT_EQ(COND_NOT, negated->kind);
    CondExpr *long_chain = cond_parse(chain(3000).c_str());
    ASSERT_NE(nullptr, long_chain);
    EXPECT_EQ(COND_AND, long_chain->kind);
    EXPECT_TRUE(cond_equal(long_chain, long_chain));
    cond_free(name);
    cond_free(bracketed);
    cond_free(negated);
    cond_free(long_chain);
}

// A template bus range ending at the largest int made the expansion loop
// step past it (signed overflow, then an endless loop of allocations).
TEST(Regress, BusExpansionUpToTheLargestIndex)
{
    TimingCheck *check = static_cast<TimingCheck *>(calloc(1, sizeof(TimingCheck)));
    check->data_port = {"D", INT_MAX, INT_MAX - 3, EDGE_NONE};
    check->kind = CHECK_SETUP;
    Arena arena;
    EXPECT_EQ(nullptr, expand_check_bits(&arena, check));
    int bits = 0;
    for (TimingCheck *c = check, *next; c; c = next, bits++) {
        EXPECT_EQ(INT_MAX - 3 + bits, c->data_port.msb);
        EXPECT_EQ(-1, c->data_port.lsb);
        next = c->next;
    }
    EXPECT_EQ(4, bits);
    free(check);
    arena_free_all(&arena);
}

} // namespace
