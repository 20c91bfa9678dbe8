// Preferences file of one template: condition and cell type equivalences,
// the mean-delay component for ties, and output switches.
#pragma once

#include "config/cfg_tokenizer.h"
#include "sdf/sdf_cond.h"

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
    char *strings; // the store the condition and name texts live in; null when none
};

// The preferences of `name`, or null when unreadable, without a non-blank
// line, or against the grammar (reported as located errors, except for an
// empty file). The record and its strings live for the run.
Preferences *prefs_read(const char *name, const MsgSettings &ms);
// Frees the rules, their texts and the record; null is allowed.
void prefs_free(Preferences *prefs);
