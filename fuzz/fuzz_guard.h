// Runs one fuzz iteration of the core library as if it were a whole process.
//
// The fuzz build links the core into a shared library with the linker's
// --wrap for exit, the allocation functions, free, fopen and fclose, so that
//  - a run ended by RunExit (allocation failure, fatal internal error, a
//    token too long to store, a corrupt defaults file) or by exit() comes
//    back here and the iteration ends like a normal return, without changing
//    what the code did up to then;
//  - every iteration starts from the state the set-up left: the library's
//    global variables and the blocks allocated during set-up are put back as
//    they were, the memory the iteration allocated (the program keeps every
//    record to the end of the process) is freed and the streams it opened
//    are closed.
#pragma once

#include <cstddef>

extern "C" {

// Runs `body(arg)` with the wrappers armed, then `cleanup(arg)` (may be null)
// whether the body returned or exited, then restores the start state. The
// cleanup must close the streams the harness itself handed to the library,
// since their buffers may be iteration memory. Returns the status the run ended
// with, or -1 when the body returned normally. Everything allocated
// through the library outside fuzz_guard_run is set-up state.
int fuzz_guard_run(void (*body)(void *), void (*cleanup)(void *), void *arg);

// Number of blocks the current iteration has allocated and not freed.
size_t fuzz_guard_live_blocks();
}
