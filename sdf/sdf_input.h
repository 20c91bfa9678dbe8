// The reader's input arrives in large blocks read ahead of the lexer; the
// lexer takes its line pieces out of the current block, and the entry skipper
// scans whole blocks in place without cutting them into pieces first.
// An input SDF that begins with the gzip magic bytes is decompressed into the
// blocks, so that everything above them sees the text it holds.
#pragma once

#include <cstddef>

#include "sdf/sdf_model.h"

// Gives the reader its read-ahead block of `block_size` characters (when it
// reads a stream).
void sdf_input_open(SdfReader *rd, size_t block_size);
// Frees the read-ahead block once the stream is done with.
void sdf_input_release(SdfReader *rd);
// Refills the block after it has been used up; false at the end of the input.
// A read error ends the run with "Error reading"; a noted signal or a failed
// write to the reader's sink ends it too.
bool sdf_input_fill(SdfReader *rd);
// Reads at most `room` characters of the current line into `dst`, through a
// newline at most, and terminates them; returns how many. NUL bytes are read
// as blanks.
int sdf_read_piece(SdfReader *rd, char *dst, int room);
// True once a read has met the end of the input.
bool sdf_input_ended(const SdfReader *rd);
