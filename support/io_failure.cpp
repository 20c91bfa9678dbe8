#include "support/io_failure.h"

#include <cstdio>
#include <cstdlib>

#include "support/messages.h"

void io_fail_reading(const char *name, const char *reason)
{
    fflush(stdout);
    fprintf(stderr, "%s: Error reading '%s': %s\n", program_name, name, reason);
    exit(2);
}
