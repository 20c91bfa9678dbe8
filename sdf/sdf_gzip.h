// Decompression of a gzip-compressed input as it is read: one member or
// several written one after the other, giving the text they hold in order.
#pragma once

#include <cstddef>
#include <cstdio>

struct SdfGzip;
struct MsgSettings;

// True when `data` (of `size` bytes) begins with the gzip magic bytes.
bool sdf_gzip_magic(const char *data, size_t size);

// Starts decompressing `in`, whose first `head_size` bytes have already been
// read into `head`. `name` names the input in messages and must outlive the
// decompressor, as must `ms`, through which its failures are reported.
SdfGzip *sdf_gzip_open(FILE *in, const char *name, const MsgSettings &ms, const char *head,
                       size_t head_size);

// Fills `dst` with up to `room` characters of text; 0 only at the end of the
// last member. Corrupt or truncated data and read errors end the run with
// status 2 after one message naming the input.
size_t sdf_gzip_read(SdfGzip *gz, char *dst, size_t room);

// Ends decompression and frees the decompressor; null is allowed. The input
// stream stays open.
void sdf_gzip_close(SdfGzip *gz);
