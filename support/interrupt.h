// Interruption by SIGINT, SIGTERM, SIGHUP or SIGPIPE. The handlers only note
// the signal (and unlink a named temporary output, which is safe there); the
// run notices the note at its checkpoints and ends itself by the same signal.
#pragma once

// Installs the handlers, without SA_RESTART so that a blocked read or write
// returns and the run can notice the signal.
void interrupt_install();

// The signal noted so far, or 0.
int interrupt_pending();

// Throws RunExit carrying the noted signal, if there is one.
void interrupt_check();

// A named temporary file for the handlers to unlink; null when there is none.
// The path is copied.
void interrupt_set_temp(const char *path);

// The descriptors of the input and of the output (-1 for none) that a signal
// replaces by the null device, so that no read or write can wait for long
// once the run is to stop; whatever they would carry is dropped anyway.
void interrupt_watch(int in_fd, int out_fd);

// Ends the process by `sig`: the default action is restored and the signal
// raised again, so that the parent sees the usual status.
[[noreturn]] void interrupt_reraise(int sig);
