// Placeholder until this module is written.
#include "config/tdef.h"

TimingDefaults *tdef_read(const char *, int *status) { *status = TDEF_NOT_FOUND; return nullptr; }
void tdef_free(TimingDefaults *) {}
const TimingParam *tdef_find(const TimingDefaults *, const char *) { return nullptr; }
