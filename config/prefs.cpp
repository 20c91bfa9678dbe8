// Preferences reader. The file is a sequence of sections, each a header line
// "<name>" followed by body lines of its kind. A body ends at the first line
// that does not begin the way its lines begin (a quoted string, or a name for
// pessim); that line must then be the next header. Any grammar error rejects
// the whole file; only a condeq rule whose template side is no valid
// condition is dropped on its own.
#include "config/prefs.h"

#include <cstdlib>
#include <cstring>

#include "support/list.h"
#include "support/support.h"

namespace {

Preferences *prefs_new()
{
    Preferences *prefs = static_cast<Preferences *>(xmalloc(sizeof(Preferences)));
    prefs->condeq = nullptr;
    prefs->celleq = nullptr;
    prefs->emit_mipd = 0;
    prefs->emit_retain = 0;
    prefs->pathtrails = 0;
    prefs->pessim = 1;
    prefs->strings = nullptr;
    return prefs;
}

// The name of a "<name>" header line, or null after reporting.
const char *read_header(ConfigTokenizer *tk)
{
    char *open, *name, *close;
    if (cfg_next_token(tk, &open) != CFG_CHAR || open[0] != '<' ||
        cfg_next_token(tk, &name) != CFG_NAME ||
        cfg_next_token(tk, &close) != CFG_CHAR || close[0] != '>') {
        msg_error_at(&tk->source, "Expecting <section>");
        return nullptr;
    }
    return name;
}

// Puts a rule at the head of `condeq`; a template side that is no condition
// drops the rule with a warning counted on `tk`.
void add_condeq(ConfigTokenizer *tk, Preferences *prefs, const char *template_text,
                const char *condition)
{
    CondExpr *template_cond = cond_parse(template_text);
    if (!template_cond) {
        msg_warning_at(&tk->source, "Could not parse template condition, \"%s\", ignoring",
                       template_text);
        return;
    }
    CondEqRule *rule = static_cast<CondEqRule *>(xmalloc(sizeof(CondEqRule)));
    rule->template_cond = template_cond;
    rule->condition = condition;
    list_prepend(&prefs->condeq, rule);
}

// Puts `name` at the head of `celleq`.
void add_celleq(Preferences *prefs, const char *name)
{
    CellEqName *cell = static_cast<CellEqName *>(xmalloc(sizeof(CellEqName)));
    cell->name = name;
    list_prepend(&prefs->celleq, cell);
}

// Lines "condition" = "template"; false after reporting.
bool read_condeq_body(ConfigTokenizer *tk, Preferences *prefs, int *ended)
{
    char *condition;
    while (cfg_read_string(tk, &condition) == CFG_OK) {
        char *equals, *template_text;
        if (cfg_next_token(tk, &equals) != CFG_CHAR || equals[0] != '=' ||
            cfg_read_string(tk, &template_text) != CFG_OK) {
            msg_error_at(&tk->source, "Expecting \"condition\" = \"template\"");
            return false;
        }
        add_condeq(tk, prefs, template_text, condition);
        *ended = cfg_next_line(tk);
    }
    return true;
}

void read_celleq_body(ConfigTokenizer *tk, Preferences *prefs, int *ended)
{
    char *name;
    while (cfg_read_string(tk, &name) == CFG_OK) {
        add_celleq(prefs, name);
        *ended = cfg_next_line(tk);
    }
}

// Lines min, typ or max; the last one wins. False after reporting.
bool read_pessim_body(ConfigTokenizer *tk, Preferences *prefs, int *ended)
{
    for (;;) {
        ConfigMark *mark = cfg_mark(tk, nullptr);
        char *word;
        if (cfg_next_token(tk, &word) != CFG_NAME) {
            free(cfg_mark(tk, mark));
            return true;
        }
        free(mark);
        if (strcmp(word, "min") == 0)
            prefs->pessim = 0;
        else if (strcmp(word, "typ") == 0)
            prefs->pessim = 1;
        else if (strcmp(word, "max") == 0)
            prefs->pessim = 2;
        else {
            msg_error_at(&tk->source, "Expecting min, typ or max");
            return false;
        }
        *ended = cfg_next_line(tk);
    }
}

// One section from its header line on; false after reporting.
bool read_section(ConfigTokenizer *tk, Preferences *prefs, int *ended)
{
    const char *name = read_header(tk);
    if (!name)
        return false;
    *ended = cfg_next_line(tk);
    if (strcmp(name, "condeq") == 0)
        return read_condeq_body(tk, prefs, ended);
    if (strcmp(name, "celleq") == 0) {
        read_celleq_body(tk, prefs, ended);
        return true;
    }
    if (strcmp(name, "pessim") == 0)
        return read_pessim_body(tk, prefs, ended);
    if (strcmp(name, "emit_mipd") == 0)
        prefs->emit_mipd = 1;
    else if (strcmp(name, "emit_retain") == 0)
        prefs->emit_retain = 1;
    else if (strcmp(name, "pathtrails") == 0)
        prefs->pathtrails = 1;
    else {
        msg_error_at(&tk->source, "Unknown section type, \"%s\"", name);
        return false;
    }
    return true;
}

} // namespace

Preferences *prefs_read(const char *name, const MsgSettings &ms)
{
    ConfigTokenizer tk;
    Preferences *prefs = prefs_new();
    int ended = cfg_open(name, 0, ms, &tk) != CFG_OK || cfg_next_line(&tk);
    bool valid = !ended;
    while (valid && !ended)
        valid = read_section(&tk, prefs, &ended);
    if (!valid) {
        cfg_close(&tk, 0);
        prefs_free(prefs);
        return nullptr;
    }
    // Condition and cell type texts point into the token store; without a
    // rule nothing does, and the store can go.
    bool keep = prefs->condeq || prefs->celleq;
    if (keep)
        prefs->strings = tk.buf->store;
    cfg_close(&tk, keep);
    return prefs;
}

void prefs_free(Preferences *prefs)
{
    if (!prefs)
        return;
    while (CondEqRule *rule = prefs->condeq) {
        prefs->condeq = rule->next;
        cond_free(rule->template_cond);
        free(rule);
    }
    while (CellEqName *cell = prefs->celleq) {
        prefs->celleq = cell->next;
        free(cell);
    }
    free(prefs->strings);
    free(prefs);
}
