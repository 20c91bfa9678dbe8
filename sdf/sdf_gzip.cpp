#include "sdf/sdf_gzip.h"

#include <zlib.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/io_failure.h"
#include "support/support.h"

namespace {

const size_t GZIP_READ_BLOCK = 1 << 16;
// Window bits that make inflate expect a gzip header and check the trailer.
const int GZIP_WINDOW = 16 + MAX_WBITS;

// Through xmalloc, so that running out of memory ends the run as everywhere
// else, and never looks like corrupt data.
voidpf gzip_alloc(voidpf, uInt items, uInt size)
{
    if (size && items > SIZE_MAX / size)
        return Z_NULL;
    return xmalloc(static_cast<size_t>(items) * size);
}

void gzip_free(voidpf, voidpf block)
{
    free(block);
}

} // namespace

struct SdfGzip {
    z_stream z;
    FILE *in;
    const char *name;
    const MsgSettings *msg;
    // 1 when no byte of a member is pending: at the end of the input this is
    // the clean end, anywhere else the input was cut short.
    int between_members;
    size_t buf_size;
    unsigned char *buf; // compressed data read ahead
};

bool sdf_gzip_magic(const char *data, size_t size)
{
    return size >= 2 && static_cast<unsigned char>(data[0]) == 0x1f &&
           static_cast<unsigned char>(data[1]) == 0x8b;
}

SdfGzip *sdf_gzip_open(FILE *in, const char *name, const MsgSettings &ms, const char *head,
                       size_t head_size)
{
    SdfGzip *gz = static_cast<SdfGzip *>(xmalloc(sizeof(SdfGzip)));
    memset(&gz->z, 0, sizeof gz->z);
    gz->z.zalloc = gzip_alloc;
    gz->z.zfree = gzip_free;
    if (inflateInit2(&gz->z, GZIP_WINDOW) != Z_OK)
        io_fail_reading(ms, name, "cannot start decompressing");
    gz->in = in;
    gz->name = name;
    gz->msg = &ms;
    gz->between_members = 0;
    // The head is a whole read-ahead block, of whatever size blocks have.
    gz->buf_size = head_size > GZIP_READ_BLOCK ? head_size : GZIP_READ_BLOCK;
    gz->buf = static_cast<unsigned char *>(xmalloc(gz->buf_size));
    memcpy(gz->buf, head, head_size);
    gz->z.next_in = gz->buf;
    gz->z.avail_in = static_cast<uInt>(head_size);
    return gz;
}

size_t sdf_gzip_read(SdfGzip *gz, char *dst, size_t room)
{
    z_stream &z = gz->z;
    if (room > UINT_MAX)
        room = UINT_MAX;
    z.next_out = reinterpret_cast<Bytef *>(dst);
    z.avail_out = static_cast<uInt>(room);
    while (z.avail_out > 0) {
        if (z.avail_in == 0) {
            size_t got = io_read_checked(gz->in, gz->name, *gz->msg, gz->buf, gz->buf_size);
            if (got == 0) {
                if (!gz->between_members)
                    io_fail_reading(*gz->msg, gz->name, "compressed data ends early");
                break;
            }
            z.next_in = gz->buf;
            z.avail_in = static_cast<uInt>(got);
        }
        gz->between_members = 0;
        int status = inflate(&z, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            // Another member may follow; the trailer of this one is checked.
            inflateReset(&z);
            gz->between_members = 1;
        } else if (status != Z_OK) {
            io_fail_reading(*gz->msg, gz->name, "compressed data is corrupt");
        }
    }
    return room - z.avail_out;
}

void sdf_gzip_close(SdfGzip *gz)
{
    if (!gz)
        return;
    inflateEnd(&gz->z);
    free(gz->buf);
    free(gz);
}
