// Failures of reading or writing the program's files: they end the run with
// status 2 after one message.
#pragma once

// Prints "<program name>: Error reading '<name>': <reason>" to standard error
// and ends the run with status 2.
[[noreturn]] void io_fail_reading(const char *name, const char *reason);
