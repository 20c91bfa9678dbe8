#include "support/interrupt.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "support/run_exit.h"

namespace {

// The only state a signal handler may touch.
volatile sig_atomic_t noted_signal;
volatile sig_atomic_t temp_armed;
char temp_path[4096];
volatile sig_atomic_t input_fd = -1;
volatile sig_atomic_t output_fd = -1;
int null_fd = -1;

const int HANDLED[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// A signal that comes just before a read or write of a pipe starts would not
// interrupt it, and the run would wait for the pipe however long it takes;
// with the null device in place of both streams neither can block.
extern "C" void note_signal(int sig)
{
    int saved_errno = errno;
    if (!noted_signal)
        noted_signal = sig;
    if (temp_armed) {
        temp_armed = 0;
        unlink(temp_path);
    }
    if (null_fd >= 0 && input_fd >= 0)
        dup2(null_fd, input_fd);
    if (null_fd >= 0 && output_fd >= 0)
        dup2(null_fd, output_fd);
    errno = saved_errno;
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
    if (null_fd < 0)
        null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
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

void interrupt_watch(int in_fd, int out_fd)
{
    input_fd = in_fd;
    output_fd = out_fd;
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
