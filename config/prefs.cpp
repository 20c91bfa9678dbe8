// Placeholder until this module is written.
#include "config/prefs.h"

Preferences *prefs_read(const char *) { return nullptr; }
void prefs_add_condeq(ConfigTokenizer *, Preferences *, const char *, const char *) {}
void prefs_add_celleq(ConfigTokenizer *, Preferences *, const char *) {}
