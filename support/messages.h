// Message reporting: every note, warning, error and fatal internal error of
// the tool goes to standard error through these functions, prefixed with an
// origin (program name, "<file>, line <n>" or a file name) and a level label.
// Warnings are filtered by the run's verbosity; errors and fatal errors never are.
#pragma once

#include <cstdio>

// How a run's messages are shown. The driver owns one per run; readers,
// outputs and the remapper keep a pointer to it.
struct MsgSettings {
    const char *program_name = "kestrove"; // origin of messages not tied to a file
    int verbosity = 1;                     // 0 quiet (-q), 1 normal, 2 verbose (-v)
};

// Message context of one input file: readers point to one made by
// source_file_init(nullptr, ...) or hold one as a member.
struct SourceFile {
    FILE *stream;
    char *name;
    long long line;
    long long errors;
    long long warnings;
    long long suppressed;
    const MsgSettings *msg;
};

// Fills `src` (or a new record when null) with a copy of `name`, the stream,
// the settings `msg` (kept, not copied), a zero line and zero counters;
// returns the record.
SourceFile *source_file_init(SourceFile *src, FILE *stream, const char *name,
                             const MsgSettings *msg);

// Prints "<name> : W warnings (S suppressed), E errors" for the file's own
// counts (nothing when both are zero) and returns the error count.
long long source_file_summary(const SourceFile *src);

// Plain messages with the program name as origin. The library adds the final
// newline.
void msg_info(const MsgSettings &ms, const char *fmt, ...)
    __attribute__((format(printf, 2, 3)));
void msg_warning(const MsgSettings &ms, const char *fmt, ...)
    __attribute__((format(printf, 2, 3)));
void msg_error(const MsgSettings &ms, const char *fmt, ...)
    __attribute__((format(printf, 2, 3)));

// Reports a state that valid input cannot reach and ends the run with status 1.
[[noreturn]] void msg_fatal(unsigned long code, const MsgSettings &ms, const char *fmt, ...)
    __attribute__((format(printf, 3, 4)));

// Located messages: origin "<name>, line <line>", counted on `src`.
void msg_error_at(SourceFile *src, const char *fmt, ...)
    __attribute__((format(printf, 2, 3)));
void msg_warning_at(SourceFile *src, const char *fmt, ...)
    __attribute__((format(printf, 2, 3)));
// Error whose origin is the file name alone (open and read failures).
void msg_error_in_file(SourceFile *src, const char *fmt, ...)
    __attribute__((format(printf, 2, 3)));
