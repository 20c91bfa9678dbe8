// Placeholder until this module is written.
#include "config/cfg_tokenizer.h"

int cfg_open(const char *, int, ConfigTokenizer *) { return CFG_FAILED; }
int cfg_skip(ConfigTokenizer *, int) { return 0; }
int cfg_next_line(ConfigTokenizer *) { return 1; }
int cfg_line_is_blank(ConfigTokenizer *) { return 1; }
int cfg_next_token(ConfigTokenizer *, char **) { return CFG_NONE; }
int cfg_read_number(ConfigTokenizer *, char **) { return CFG_NONE; }
int cfg_read_string(ConfigTokenizer *, char **) { return CFG_NONE; }
ConfigMark *cfg_mark(ConfigTokenizer *, ConfigMark *mark) { return mark; }
