// Placeholder until this module is written.
#include "config/cond.h"

CondExpr *cond_parse(const char *) { return nullptr; }
int cond_equal(const CondExpr *a, const CondExpr *b) { return a == b; }
void cond_free(CondExpr *) {}
