// Failed reads and writes of the files a run streams through: one message
// naming the file and the system's reason, then the run ends with status 2.
#pragma once

// Print "<program name>: Error reading|writing '<name>': <reason>\n" to
// standard error and throw RunExit with status 2.
[[noreturn]] void io_fail_reading(const char *name, const char *reason);
[[noreturn]] void io_fail_writing(const char *name, const char *reason);
