// Failed reads and writes of the files a run streams through: one message
// naming the file and the system's reason, then the run ends with status 2.
#pragma once

#include <cstddef>
#include <cstdio>

struct MsgSettings;

// Print "<program name>: Error reading|writing '<name>': <reason>\n" to
// standard error and throw RunExit with status 2.
[[noreturn]] void io_fail_reading(const MsgSettings &ms, const char *name, const char *reason);
[[noreturn]] void io_fail_writing(const MsgSettings &ms, const char *name, const char *reason);

// Reads up to `size` bytes from `in` for the file called `name`. A read cut
// short by a signal the run does not stop for is read again; a signal the run
// stops for ends it; any other read error ends it as io_fail_reading does.
// Returns 0 only at the end of the input.
size_t io_read_checked(FILE *in, const char *name, const MsgSettings &ms, void *buf,
                       size_t size);
