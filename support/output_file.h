// The files a run writes: the output SDF (a named one is built in a
// temporary file beside its final name and put in place only when the run
// has finished) and the audit log. Each is written through a stdio stream
// whose every write to the destination is checked; the first failure is kept
// until the run looks at it.
#pragma once

#include <cstdio>
#include <string>

struct OutputGzip;
struct MsgSettings;

struct OutputFile {
    FILE *stream = nullptr;
    std::string name;   // for messages: as given, or "<stdout>"
    int fd = -1;        // destination
    int error = 0;      // errno of the first failed write; 0 when none
    bool atomic = false; // written to a temporary file, linked at the end
    bool replace = false; // the final name holds a file to replace
    bool unnamed_temp = true; // false: always a named temporary file (tests)
    int dir_fd = -1;    // folder of the final file
    long long written = 0;       // bytes written to the destination
    long long flushed_to = 0;    // bytes handed to the disk ahead of the final sync
    std::string final_base; // final file name within dir_fd
    std::string temp_base;  // named temporary file within dir_fd; empty when unnamed
    std::string temp_path;  // its path, for removal from a signal handler
    OutputGzip *gzip = nullptr; // compresses what the stream writes; null when plain
    char *buffer = nullptr; // the stream's buffer, freed when the stream closes
    const MsgSettings *msg = nullptr; // how its failures are reported
};

// A named output or audit log whose name ends in ".gz" is written as a gzip
// stream; standard output never is.

// Every opening function keeps `ms` (not copied) for reporting the file's
// failures.

// A stream writing `fd` as it is, whatever `name` (used in messages) ends in.
void output_open_fd(OutputFile *of, const char *name, int fd, const MsgSettings &ms);

// Standard output under the name "<stdout>".
void output_open_stdout(OutputFile *of, const MsgSettings &ms);

// A named output that must not replace a readable file: refused with "File
// '%s' already exists", or "Unable to open '%s' for writing" when the final
// file could not be written; false after either. The
// final name is followed through symbolic links.
bool output_create_new(OutputFile *of, const char *name, const MsgSettings &ms);

// The audit log: written in place, an existing readable file overwritten
// with a warning. False after "Unable to open '%s' for writing".
bool output_create_overwrite(OutputFile *of, const char *name, const MsgSettings &ms);

// Stops the run with "Error writing" when a write has failed, and by the
// noted signal when one has arrived.
void output_check(OutputFile *of);

// Flushes the stream and checks every write; stops the run as output_check
// does on failure.
void output_flush(OutputFile *of);

// Flushes the stream and ends a gzip stream, so that the destination holds a
// complete file of everything written so far; nothing may be written after.
// Failures are recorded, not acted on: this also serves a run that is ending.
void output_finish(OutputFile *of);

// Flushes, ends a gzip stream, syncs and puts a temporary file in place
// under the final name, then closes. A file that has appeared at the final
// name in the meantime is kept and reported as "File exists". Any failure
// stops the run with "Error writing", the temporary file removed.
void output_commit(OutputFile *of);

// Where the next byte written to a plain output on a regular file lands,
// after flushing its stream: the file's own position, so that the output
// can be cut back to it. -1 when the output compresses or is no regular
// file (its stream then left as it is), or has failed.
long long output_plain_position(OutputFile *of);

// Flushes, then cuts the regular file under a plain output back to `size`
// bytes and writes on from there. A failure is kept as a failed write is.
void output_cut_back(OutputFile *of, long long size);

// Closes without putting anything in place; a named temporary file is
// removed. Failures are ignored: the run is ending already.
void output_discard(OutputFile *of);

// Writes `size` bytes to the destination, retrying short writes and writes
// interrupted by a signal the run does not stop for; false with of->error
// set on failure.
bool output_write_bytes(OutputFile *of, const char *data, size_t size);
