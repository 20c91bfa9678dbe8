#include "support/output_gzip.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "support/output_file.h"
#include "support/run_exit.h"

namespace {

// Level 1 deflates in about a third of the time of the default level 6, for
// files about 1.6 times as large; at 6 the compression, not the remapping,
// would set the pace of a run.
const int GZIP_LEVEL = 1;

const size_t OUT_SIZE = 256 << 10;

// windowBits above 15 asks zlib for a gzip header and trailer.
const int GZIP_WINDOW = 15 + 16;

} // namespace

struct OutputGzip {
    z_stream z;
    bool finished = false;
    unsigned char out[OUT_SIZE];
};

namespace {

// Runs deflate until it has taken all its input (and, with Z_FINISH, ended
// the stream), writing each filled stretch of the output buffer.
bool pump(OutputFile *of, int flush)
{
    z_stream &z = of->gzip->z;
    for (;;) {
        z.next_out = of->gzip->out;
        z.avail_out = OUT_SIZE;
        int rc = deflate(&z, flush);
        if (rc == Z_STREAM_ERROR) {
            of->error = EIO;
            return false;
        }
        size_t made = OUT_SIZE - z.avail_out;
        if (made && !output_write_bytes(of, reinterpret_cast<const char *>(of->gzip->out), made))
            return false;
        if (flush == Z_FINISH ? rc == Z_STREAM_END : z.avail_in == 0 && z.avail_out != 0)
            return true;
    }
}

} // namespace

bool output_gzip_wanted(const char *name)
{
    size_t len = strlen(name);
    return len >= 3 && strcmp(name + len - 3, ".gz") == 0;
}

OutputGzip *output_gzip_open()
{
    OutputGzip *gz = new OutputGzip;
    memset(&gz->z, 0, sizeof gz->z);
    if (deflateInit2(&gz->z, GZIP_LEVEL, Z_DEFLATED, GZIP_WINDOW, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        delete gz;
        fprintf(stderr, "Memory allocation error -- unable to allocate %lu bytes.\n",
                (unsigned long)sizeof(OutputGzip));
        throw RunExit{1};
    }
    return gz;
}

bool output_gzip_write(OutputFile *of, const char *data, size_t size)
{
    z_stream &z = of->gzip->z;
    // zlib counts input in unsigned int.
    while (size > 0) {
        size_t chunk = size < (1u << 30) ? size : (1u << 30);
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        z.avail_in = static_cast<uInt>(chunk);
        if (!pump(of, Z_NO_FLUSH))
            return false;
        data += chunk;
        size -= chunk;
    }
    return true;
}

bool output_gzip_finish(OutputFile *of)
{
    if (of->gzip->finished)
        return true;
    of->gzip->finished = true;
    of->gzip->z.avail_in = 0;
    return pump(of, Z_FINISH);
}

void output_gzip_close(OutputGzip *gz)
{
    if (!gz)
        return;
    deflateEnd(&gz->z);
    delete gz;
}
