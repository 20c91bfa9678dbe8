// Reading ahead in blocks of sdf_input_block_size characters.
#include "sdf/sdf_input.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/interrupt.h"
#include "support/io_failure.h"
#include "support/output_file.h"
#include "support/support.h"

size_t sdf_input_block_size = SDF_INPUT_BLOCK;

void sdf_input_open(SdfReader *rd)
{
    rd->in_size = sdf_input_block_size;
    rd->in_block = rd->source->stream ? static_cast<char *>(xmalloc(rd->in_size)) : nullptr;
    rd->in_next = rd->in_end = 0;
    rd->in_ended = !rd->source->stream;
}

void sdf_input_release(SdfReader *rd)
{
    free(rd->in_block);
    rd->in_block = nullptr;
    rd->in_next = rd->in_end = 0;
    rd->in_ended = 1;
}

bool sdf_input_fill(SdfReader *rd)
{
    if (rd->in_ended)
        return false;
    // What was echoed so far is checked once per block read: a failed write
    // stops the run within one block of input.
    if (rd->sink)
        output_check(rd->sink);
    FILE *in = rd->source->stream;
    size_t got;
    for (;;) {
        interrupt_check();
        got = fread(rd->in_block, 1, rd->in_size, in);
        interrupt_check();
        if (!ferror(in))
            break;
        int err = errno;
        clearerr(in);
        if (got > 0)
            break;
        // A signal we do not stop for may interrupt a read; it is read again.
        if (err != EINTR)
            io_fail_reading(rd->source->name, strerror(err));
    }
    rd->in_next = 0;
    rd->in_end = got;
    // A short read may have seen the end already; the end counts as met
    // only when a read yields nothing, as it would for a character-wise reader.
    if (got == 0 && feof(in))
        rd->in_ended = 1;
    return got > 0;
}

int sdf_read_piece(SdfReader *rd, char *dst, int room)
{
    int n = 0;
    while (n < room) {
        if (rd->in_next == rd->in_end && !sdf_input_fill(rd))
            break;
        const char *from = rd->in_block + rd->in_next;
        size_t avail = rd->in_end - rd->in_next;
        size_t want = avail < static_cast<size_t>(room - n) ? avail : static_cast<size_t>(room - n);
        const char *nl = static_cast<const char *>(memchr(from, '\n', want));
        size_t take = nl ? static_cast<size_t>(nl - from) + 1 : want;
        char *to = dst + n;
        memcpy(to, from, take);
        // A NUL would end the piece early as the scanners see it.
        for (char *z = static_cast<char *>(memchr(to, '\0', take)); z;
             z = static_cast<char *>(memchr(z, '\0', take - static_cast<size_t>(z - to))))
            *z = ' ';
        rd->in_next += take;
        n += static_cast<int>(take);
        if (nl)
            break;
    }
    dst[n] = '\0';
    return n;
}

bool sdf_input_ended(const SdfReader *rd)
{
    return rd->in_ended;
}
