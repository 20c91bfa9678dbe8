// Remapping while the input is still being read: each collected instance is
// remapped as soon as its cell has been read, and its memory is reused for
// the next one. What the run must show only after the read (the remapped
// cells, their audit sections, the messages of remapping) waits in spills
// and is appended when the read has returned its instances; a read that
// fails or collects nothing drops it, as if no remapping had started.
// The audit text, about as large as the input, is the exception where it
// can be: it goes straight into a plain audit log on a regular file, which
// is cut back to where it stood whenever the spills would have been dropped.
#pragma once

#include <string>

#include "remap/remap_context.h"
#include "sdf/sdf_reader.h"
#include "support/output_file.h"

struct RemapStream {
    RemapStream(const MsgSettings &ms, OutputFile *out, OutputFile *log,
                const SdfTemplateHooks &templates);
    RemapStream(const RemapStream &) = delete;
    RemapStream &operator=(const RemapStream &) = delete;
    ~RemapStream();

    OutputFile *out; // the output SDF
    OutputFile *log; // the audit log
    SdfTemplateHooks templates;
    RemapContext ctx;
    OutputFile out_spill;
    OutputFile log_spill; // or the audit log's own file, from log_mark on
    long long log_mark = -1; // where the audit log stood; -1 while it is spilled
    bool log_kept = false;   // the audit text has reached the log for good
    int err_spill = -1; // messages; standard error is redirected to it
    int saved_err = -1; // standard error while it is redirected; -1 when closed
    bool opened = false;
    // A fatal error met while remapping: it ends the run once the read has
    // completed, with everything written before it; later instances are
    // only dropped.
    bool fatal = false;
    long long taken = 0;
    long long waiting = 0; // instances collected since the last were taken
    long long group = 1;   // how many are taken at once
    SdfReader *reader = nullptr;
};

// The collect hook for SdfReadSetup::collect, with a RemapStream as context.
// Instances are taken a group at a time, and wait while the file's value
// form is still open.
int remap_stream_take(void *stream, SdfReader *rd);

// The forget hook for SdfReadSetup::collect: the reader is gone.
void remap_stream_forget(void *stream);

// After sdf_read has returned `pending` (the instances it kept back): false
// when the read returned no instance. Otherwise remaps what is left, appends
// the spills to the output, the audit log and standard error, ends the run
// if a fatal error was met, and closes the DELAYFILE. Audit text written
// straight into the log is kept from then on; the destructor cuts it off
// again in every other case, a failure to do so kept as a failed write of
// the log.
bool remap_stream_finish(RemapStream *rs, CellInstance *pending);
