// The one way library code ends a run early: it throws RunExit, and only the
// program's entry catches it, so that the output and the audit log are still
// flushed, checked and closed (or discarded) before the process ends.
#pragma once

struct RunExit {
    int status;     // exit status the run ends with
    int signal = 0; // the signal that interrupted the run; 0 when none
};
