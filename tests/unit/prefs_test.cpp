#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "config/prefs.h"

namespace {

// Preferences live for the run, as the template registry keeps them; so do
// these, through a pointer that is never freed.
std::vector<Preferences *> *kept_prefs = new std::vector<Preferences *>;

// Reads a preferences text stored under a unique name; messages are compared
// with that name replaced by "p.prefs".
Preferences *read_prefs(const std::string &text, std::string *messages)
{
    std::string path = std::string(testing::TempDir()) + "kestrove_prefs_" + std::to_string(getpid());
    FILE *f = fopen(path.c_str(), "wb");
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
    testing::internal::CaptureStderr();
    Preferences *prefs = prefs_read(path.c_str());
    *messages = testing::internal::GetCapturedStderr();
    remove(path.c_str());
    for (size_t at; (at = messages->find(path)) != std::string::npos;)
        messages->replace(at, path.size(), "p.prefs");
    if (prefs)
        kept_prefs->push_back(prefs);
    return prefs;
}

std::string dump(const Preferences *prefs)
{
    std::string out = "mipd=" + std::to_string(prefs->emit_mipd) +
                      " retain=" + std::to_string(prefs->emit_retain) +
                      " trails=" + std::to_string(prefs->pathtrails) +
                      " pessim=" + std::to_string(prefs->pessim) + " celleq=[";
    for (const CellEqName *cell = prefs->celleq; cell; cell = cell->next)
        out += std::string(cell->name) + (cell->next ? "," : "");
    out += "] condeq=[";
    for (const CondEqRule *rule = prefs->condeq; rule; rule = rule->next)
        out += std::string(rule->condition) + (rule->next ? "," : "");
    return out + "]";
}

// Whether the rule's template side is the tree of `text`.
bool template_is(const CondEqRule *rule, const char *text)
{
    CondExpr *expected = cond_parse(text);
    bool same = cond_equal(rule->template_cond, expected);
    cond_free(expected);
    return same;
}

TEST(PrefsRead, Sections)
{
    const struct {
        const char *text;
        const char *prefs;
    } cases[] = {
        {"<emit_mipd>\n", "mipd=1 retain=0 trails=0 pessim=1 celleq=[] condeq=[]"},
        {"# switches\n< emit_retain >  ignored\n\n<pathtrails>",
         "mipd=0 retain=1 trails=1 pessim=1 celleq=[] condeq=[]"},
        {"<pessim>\nmax\nmin  # the last one wins\n",
         "mipd=0 retain=0 trails=0 pessim=0 celleq=[] condeq=[]"},
        {"<pessim>\n", "mipd=0 retain=0 trails=0 pessim=1 celleq=[] condeq=[]"},
        {"<pessim>\nmax extra words\n<emit_mipd>\n<pessim>\n",
         "mipd=1 retain=0 trails=0 pessim=2 celleq=[] condeq=[]"},
        {"<celleq>\n\"DFF\" rest ignored\n\"dff_r\"\n<emit_mipd>\n<celleq>\n\"X\"",
         "mipd=1 retain=0 trails=0 pessim=1 celleq=[X,dff_r,DFF] condeq=[]"},
    };
    for (const auto &c : cases) {
        std::string messages;
        Preferences *prefs = read_prefs(c.text, &messages);
        ASSERT_NE(nullptr, prefs) << c.text;
        EXPECT_EQ(c.prefs, dump(prefs)) << c.text;
        EXPECT_EQ("", messages) << c.text;
    }
}

TEST(PrefsRead, ConditionRules)
{
    std::string messages;
    Preferences *prefs = read_prefs("<condeq>\n"
                                    "\"a==1\" = \"A\"\n"
                                    "<emit_mipd>\n"
                                    "<condeq>\n"
                                    "\"b & c\"=\"B && !C\" rest ignored\n"
                                    "\"d\" \\\n = \"D = E\"\n",
                                    &messages);
    ASSERT_NE(nullptr, prefs);
    EXPECT_EQ("", messages);
    EXPECT_EQ("mipd=1 retain=0 trails=0 pessim=1 celleq=[] condeq=[d,b & c,a==1]", dump(prefs));
    const CondEqRule *rule = prefs->condeq;
    EXPECT_TRUE(template_is(rule, "D"));
    EXPECT_TRUE(template_is(rule->next, "B && !C"));
    EXPECT_TRUE(template_is(rule->next->next, "A"));

    // A rule whose template side is no condition is lost; the file is not.
    prefs = read_prefs("<condeq>\n\"a\" = \"A &&\"\n\"e\" = \"\"\n\"b\" = \"B\"\n", &messages);
    ASSERT_NE(nullptr, prefs);
    EXPECT_EQ("mipd=0 retain=0 trails=0 pessim=1 celleq=[] condeq=[b]", dump(prefs));
    EXPECT_EQ("p.prefs, line 2 - Warning : Could not parse template condition, \"A &&\", ignoring\n"
              "p.prefs, line 3 - Warning : Could not parse template condition, \"\", ignoring\n",
              messages);
}

TEST(PrefsRead, RejectedFiles)
{
    const struct {
        const char *text;
        const char *messages;
    } cases[] = {
        {"", ""},
        {"# comments\n\n  # only\n", ""},
        // The header's line is left before its name is judged.
        {"<CondEq>\n", "p.prefs, line 2 - Error : Unknown section type, \"CondEq\"\n"},
        {"<celleq>\n<x> <y>\n\n<z>", "p.prefs, line 4 - Error : Unknown section type, \"x\"\n"},
        {"emit_mipd\n", "p.prefs, line 1 - Error : Expecting <section>\n"},
        {"<emit_mipd>\nextra\n", "p.prefs, line 2 - Error : Expecting <section>\n"},
        {"<pessim>\n1\n", "p.prefs, line 2 - Error : Expecting <section>\n"},
        {"<pessim>\ntyp\nmean\n", "p.prefs, line 3 - Error : Expecting min, typ or max\n"},
        {"<pessim>\nMAX\n", "p.prefs, line 2 - Error : Expecting min, typ or max\n"},
        {"<celleq>\n\"A\"\nDFF\n", "p.prefs, line 3 - Error : Expecting <section>\n"},
        {"<condeq>\n\"a\" \"b\"\n", "p.prefs, line 2 - Error : Expecting \"condition\" = \"template\"\n"},
        {"<condeq>\n\"a\" = B\n", "p.prefs, line 2 - Error : Expecting \"condition\" = \"template\"\n"},
        {"<condeq>\n\"a\" = \"b\n",
         "p.prefs, line 2 - Error : Unexpected end of line\n"
         "p.prefs, line 2 - Error : Expecting \"condition\" = \"template\"\n"},
        {"<celleq>\n\"DFF\n<emit_mipd>\n",
         "p.prefs, line 2 - Error : Unexpected end of line\n"
         "p.prefs, line 2 - Error : Expecting <section>\n"},
        {"<celleq>\n\"DFF",
         "p.prefs, line 2 - Error : Unexpected end of file\n"
         "p.prefs, line 2 - Error : Expecting <section>\n"},
    };
    for (const auto &c : cases) {
        std::string messages;
        EXPECT_EQ(nullptr, read_prefs(c.text, &messages)) << c.text;
        EXPECT_EQ(c.messages, messages) << c.text;
    }

    testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, prefs_read("no/such.prefs"));
    EXPECT_EQ("no/such.prefs - Error : File open failed\n", testing::internal::GetCapturedStderr());
}

} // namespace
