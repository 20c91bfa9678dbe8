// Placeholder until this module is written.
#include "sdf/sdf_lexer.h"

SdfReader *sdf_reader_create(FILE *, const char *, const char *, FILE *, int, int) { return nullptr; }
char *sdf_next_char(SdfReader *) { return nullptr; }
char *sdf_keyword(SdfReader *, int *len) { *len = 0; return nullptr; }
char *sdf_token(SdfReader *, int *len) { *len = 0; return nullptr; }
char *sdf_quoted(SdfReader *, int *len) { *len = 0; return nullptr; }
char *sdf_number(SdfReader *, int *len) { *len = 0; return nullptr; }
int sdf_skip_entry(SdfReader *) { return 1; }
void sdf_echo(SdfReader *, const char *, int) {}
char *sdf_store(const char *, int, SdfReader *) { return nullptr; }
bool sdf_refill_keep(SdfReader *, char **, char **) { return false; }
int keyword_ncmp(const char *, const char *, int) { return 1; }
bool sdf_is_keyword(const char *, const char *, int) { return false; }
