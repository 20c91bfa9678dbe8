#include "support/interrupt.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "support/run_exit.h"

namespace {

// The only state a signal handler may touch.
volatile sig_atomic_t noted_signal;
volatile sig_atomic_t temp_armed;
char temp_path[4096];

const int HANDLED[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void note_signal(int sig)
{
    if (!noted_signal)
        noted_signal = sig;
    if (temp_armed) {
        temp_armed = 0;
        unlink(temp_path);
    }
}

} // namespace

void interrupt_install()
{
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = note_signal;
    sigemptyset(&sa.sa_mask);
    for (int sig : HANDLED)
        sigaddset(&sa.sa_mask, sig);
    sa.sa_flags = 0;
    for (int sig : HANDLED)
        sigaction(sig, &sa, nullptr);
}

int interrupt_pending()
{
    return noted_signal;
}

void interrupt_check()
{
    if (noted_signal)
        throw RunExit{128 + noted_signal, noted_signal};
}

void interrupt_set_temp(const char *path)
{
    temp_armed = 0;
    if (!path || strlen(path) >= sizeof temp_path)
        return;
    strcpy(temp_path, path);
    temp_armed = 1;
}

void interrupt_reraise(int sig)
{
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    _exit(128 + sig);
}
