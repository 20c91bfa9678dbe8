// Reading ahead in blocks of the size the reader's creator chose.
#include "sdf/sdf_input.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sdf/sdf_gzip.h"
#include "support/io_failure.h"
#include "support/output_file.h"
#include "support/support.h"

void sdf_input_open(SdfReader *rd, size_t block_size)
{
    rd->in_size = block_size;
    rd->in_block = rd->source->stream ? static_cast<char *>(xmalloc(rd->in_size)) : nullptr;
    rd->in_next = rd->in_end = 0;
    rd->in_ended = !rd->source->stream;
    // Templates are always read as they are written.
    rd->in_probe = rd->source->stream && !rd->template_syntax;
    rd->in_gz = nullptr;
}

void sdf_input_release(SdfReader *rd)
{
    free(rd->in_block);
    rd->in_block = nullptr;
    sdf_gzip_close(rd->in_gz);
    rd->in_gz = nullptr;
    rd->in_probe = 0;
    rd->in_next = rd->in_end = 0;
    rd->in_ended = 1;
}

namespace {

// The first read of the input: text is handed on as it was read; compressed
// data is handed to a decompressor, and its text takes the place of the block.
size_t first_read(SdfReader *rd)
{
    rd->in_probe = 0;
    FILE *in = rd->source->stream;
    char *block = rd->in_block;
    size_t got = io_read_checked(in, rd->source->name, *rd->source->msg, block, rd->in_size);
    if (got >= 2) {
        if (!sdf_gzip_magic(block, got))
            return got;
        rd->in_gz = sdf_gzip_open(in, rd->source->name, *rd->source->msg, block, got);
    } else {
        // A one-character block cannot hold both magic bytes.
        if (got == 0 || rd->in_size > 1 || static_cast<unsigned char>(block[0]) != 0x1f)
            return got;
        int next = getc(in);
        if (next != 0x8b) {
            if (next != EOF)
                ungetc(next, in);
            return got;
        }
        const char head[2] = {block[0], static_cast<char>(next)};
        rd->in_gz = sdf_gzip_open(in, rd->source->name, *rd->source->msg, head, 2);
    }
    return sdf_gzip_read(rd->in_gz, block, rd->in_size);
}

} // namespace

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
    if (rd->in_probe)
        got = first_read(rd);
    else if (rd->in_gz)
        got = sdf_gzip_read(rd->in_gz, rd->in_block, rd->in_size);
    else
        got = io_read_checked(in, rd->source->name, *rd->source->msg, rd->in_block, rd->in_size);
    rd->in_next = 0;
    rd->in_end = got;
    // A short read may have seen the end already; the end counts as met
    // only when a read yields nothing, as it would for a character-wise reader.
    // Read errors never get here: they end the run.
    if (got == 0)
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
