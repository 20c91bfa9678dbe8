// Preferences file of one template: condition and cell type equivalences,
// the mean-delay component for ties, and output switches.
#pragma once

#include "config/cfg_tokenizer.h"
#include "config/cond.h"

struct CondEqRule {
    CondEqRule *next;
    CondExpr *template_cond;
    const char *condition; // input-side text, compared ignoring blanks
};

struct CellEqName {
    CellEqName *next;
    const char *name;
};

struct Preferences {
    CondEqRule *condeq; // newest first
    CellEqName *celleq; // newest first
    int emit_mipd;
    int emit_retain;
    int pathtrails;
    int pessim; // 0 min, 1 typ, 2 max
};

// The preferences of `name`, or null when unreadable, empty or invalid.
Preferences *prefs_read(const char *name);
void prefs_add_condeq(ConfigTokenizer *tk, Preferences *prefs,
                      const char *template_text, const char *condition);
void prefs_add_celleq(ConfigTokenizer *tk, Preferences *prefs, const char *name);
