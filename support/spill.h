// Spill storage: text that must reach an output later than it is made (after
// everything the output still has to receive first) waits in an anonymous
// temporary file, so that memory does not grow with it. The file has no
// name, or loses it as soon as it is open, so it goes with the process
// however that ends.
#pragma once

#include "support/output_file.h"

// The folder spills are made in: TMPDIR when set, else the folder of
// `beside` (a file name; null or "<stdout>" for none), else /tmp.
std::string spill_folder(const char *beside);

// Opens `spill` as an empty temporary file in `folder`, written through its
// stream like an output. It stands for the output called `stands_for`: a
// spill that cannot be made, or a write to it that fails, is reported as a
// failure to write that output, through `ms`, and stops the run (status 2).
void spill_open(OutputFile *spill, const char *stands_for, const std::string &folder,
                const MsgSettings &ms);

// Appends everything written to `spill` to `dest`, after what `dest` has
// received so far: copied inside the kernel when `dest` is a plain file or
// pipe, through `dest`'s stream when it compresses. Stops the run as
// output_check does when either side fails or a signal has arrived.
void spill_append(OutputFile *spill, OutputFile *dest);

// A spill used through its bare descriptor (for text written by others to a
// descriptor it is put in place of); failing as spill_open does.
int spill_open_raw(const char *stands_for, const std::string &folder, const MsgSettings &ms);

// Appends the whole file `spill_fd` to the descriptor `fd`, leaving failures
// to write it unchecked, as standard error always is.
void spill_append_unchecked(int spill_fd, int fd);
