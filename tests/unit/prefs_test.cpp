#include "test_util.h"

#include "config/prefs.h"

namespace {

// The preferences read from `text` (kept for the run, as the template
// registry keeps them), or "null"; the messages name the file "p.prefs".
std::string read_prefs(const std::string &text, std::string *messages, Preferences **kept = nullptr)
{
    TempFile file(text);
    KeepAllocations keep;
    capture_stderr();
    Preferences *p = prefs_read(file.path.c_str(), test_msg);
    *messages = file.renamed(captured_stderr(), "p.prefs");
    if (kept)
        *kept = p;
    if (!p)
        return "null";
    std::string out = "mipd=" + std::to_string(p->emit_mipd) + " retain=" + std::to_string(p->emit_retain) +
                      " trails=" + std::to_string(p->pathtrails) + " pessim=" + std::to_string(p->pessim);
    out += " celleq=";
    for (const CellEqName *cell = p->celleq; cell; cell = cell->next)
        out += std::string(cell->name) + ",";
    out += " condeq=";
    for (const CondEqRule *rule = p->condeq; rule; rule = rule->next)
        out += std::string(rule->condition) + ",";
    return out;
}

TEST(PrefsRead, SectionsAndRules)
{
    const char *const cases[][3] = {
        {"<emit_mipd>\n", "mipd=1 retain=0 trails=0 pessim=1 celleq= condeq=", ""},
        {"# switches\n< emit_retain >  ignored\n\n<pathtrails>",
         "mipd=0 retain=1 trails=1 pessim=1 celleq= condeq=", ""},
        {"<pessim>\nmax\nmin  # the last one wins\n",
         "mipd=0 retain=0 trails=0 pessim=0 celleq= condeq=", ""},
        {"<pessim>\nmax extra words\n<emit_mipd>\n<pessim>\n",
         "mipd=1 retain=0 trails=0 pessim=2 celleq= condeq=", ""},
        {"<celleq>\n\"DFF\" rest ignored\n\"dff_r\"\n<emit_mipd>\n<celleq>\n\"X\"",
         "mipd=1 retain=0 trails=0 pessim=1 celleq=X,dff_r,DFF, condeq=", ""},
        // A rule whose template side is no condition is lost; the file is not.
        {"<condeq>\n\"a\" = \"A &&\"\n\"e\" = \"\"\n\"b\" = \"B\"\n",
         "mipd=0 retain=0 trails=0 pessim=1 celleq= condeq=b,",
         "p.prefs, line 2 - Warning : Could not parse template condition, \"A &&\", ignoring\n"
         "p.prefs, line 3 - Warning : Could not parse template condition, \"\", ignoring\n"},
        // Rejected files; the header's line is left before its name is judged.
        {"", "null", ""},
        {"# comments\n\n  # only\n", "null", ""},
        {"<CondEq>\n", "null", "p.prefs, line 2 - Error : Unknown section type, \"CondEq\"\n"},
        {"<celleq>\n<x> <y>\n\n<z>", "null", "p.prefs, line 4 - Error : Unknown section type, \"x\"\n"},
        {"emit_mipd\n", "null", "p.prefs, line 1 - Error : Expecting <section>\n"},
        {"<emit_mipd>\nextra\n", "null", "p.prefs, line 2 - Error : Expecting <section>\n"},
        {"<pessim>\n1\n", "null", "p.prefs, line 2 - Error : Expecting <section>\n"},
        {"<pessim>\ntyp\nmean\n", "null", "p.prefs, line 3 - Error : Expecting min, typ or max\n"},
        {"<pessim>\nMAX\n", "null", "p.prefs, line 2 - Error : Expecting min, typ or max\n"},
        {"<celleq>\n\"A\"\nDFF\n", "null", "p.prefs, line 3 - Error : Expecting <section>\n"},
        {"<condeq>\n\"a\" \"b\"\n", "null",
         "p.prefs, line 2 - Error : Expecting \"condition\" = \"template\"\n"},
        {"<condeq>\n\"a\" = B\n", "null",
         "p.prefs, line 2 - Error : Expecting \"condition\" = \"template\"\n"},
        {"<condeq>\n\"a\" = \"b\n", "null",
         "p.prefs, line 2 - Error : Unexpected end of line\n"
         "p.prefs, line 2 - Error : Expecting \"condition\" = \"template\"\n"},
        {"<celleq>\n\"DFF", "null",
         "p.prefs, line 2 - Error : Unexpected end of file\np.prefs, line 2 - Error : Expecting <section>\n"},
    };
    for (const auto &c : cases) {
        std::string messages;
        EXPECT_EQ(c[1], read_prefs(c[0], &messages)) << c[0];
        EXPECT_EQ(c[2], messages) << c[0];
    }
}

TEST(PrefsRead, ConditionRulesKeepTheTemplateTree)
{
    std::string messages;
    Preferences *prefs;
    EXPECT_EQ("mipd=1 retain=0 trails=0 pessim=1 celleq= condeq=d,b & c,a==1,",
              read_prefs("<condeq>\n\"a==1\" = \"A\"\n<emit_mipd>\n<condeq>\n"
                         "\"b & c\"=\"B && !C\" rest ignored\n\"d\" \\\n = \"D = E\"\n", &messages, &prefs));
    EXPECT_EQ("", messages);
    const CondEqRule *rule = prefs->condeq;
    for (const char *text : {"D", "B && !C", "A"}) {
        CondExpr *expected = cond_parse(text);
        EXPECT_EQ(1, cond_equal(rule->template_cond, expected)) << text;
        cond_free(expected);
        rule = rule->next;
    }
}

} // namespace
