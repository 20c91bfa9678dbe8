#include "support/io_failure.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "support/interrupt.h"
#include "support/messages.h"
#include "support/run_exit.h"

void io_fail_reading(const MsgSettings &ms, const char *name, const char *reason)
{
    fprintf(stderr, "%s: Error reading '%s': %s\n", ms.program_name, name, reason);
    throw RunExit{2};
}

void io_fail_writing(const MsgSettings &ms, const char *name, const char *reason)
{
    fprintf(stderr, "%s: Error writing '%s': %s\n", ms.program_name, name, reason);
    throw RunExit{2};
}

size_t io_read_checked(FILE *in, const char *name, const MsgSettings &ms, void *buf,
                       size_t size)
{
    for (;;) {
        interrupt_check();
        size_t got = fread(buf, 1, size, in);
        interrupt_check();
        if (!ferror(in))
            return got;
        int err = errno;
        clearerr(in);
        if (got > 0)
            return got;
        if (err != EINTR)
            io_fail_reading(ms, name, strerror(err));
    }
}
