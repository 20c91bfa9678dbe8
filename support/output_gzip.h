// The gzip stage of an output whose name ends in ".gz": text handed to it is
// deflated and the compressed bytes go to the destination through
// output_write_bytes, so that a failure is recorded as for a plain write.
#pragma once

#include <cstddef>

struct OutputFile;
struct OutputGzip;

// True when a file of this name is to be written compressed.
bool output_gzip_wanted(const char *name);

// A new stage; the run ends as on an allocation failure when zlib cannot be
// set up.
OutputGzip *output_gzip_open();

// Compresses `size` bytes of text into of->gzip; false with of->error set
// when a write of compressed bytes failed.
bool output_gzip_write(OutputFile *of, const char *data, size_t size);

// Ends the gzip stream (the last block and the trailer), so that what has
// reached the destination is a complete file. Does nothing after the first
// call; false with of->error set when a write failed.
bool output_gzip_finish(OutputFile *of);

void output_gzip_close(OutputGzip *gz);
