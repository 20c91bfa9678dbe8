#include "support/io_failure.h"

#include <cstdio>

#include "support/messages.h"
#include "support/run_exit.h"

void io_fail_reading(const char *name, const char *reason)
{
    fprintf(stderr, "%s: Error reading '%s': %s\n", program_name, name, reason);
    throw RunExit{2};
}

void io_fail_writing(const char *name, const char *reason)
{
    fprintf(stderr, "%s: Error writing '%s': %s\n", program_name, name, reason);
    throw RunExit{2};
}
