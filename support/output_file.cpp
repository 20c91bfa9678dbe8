#include "support/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#ifdef __GLIBC__
#include <stdio_ext.h>
#endif

#include "support/interrupt.h"
#include "support/io_failure.h"
#include "support/messages.h"
#include "support/output_gzip.h"
#include "support/run_exit.h"
#include "support/support.h"

namespace {

const long long WRITE_BEHIND = 8 << 20;
const size_t STREAM_BUFFER_SIZE = 1 << 16;

ssize_t cookie_write(void *cookie, const char *data, size_t size)
{
    OutputFile *of = static_cast<OutputFile *>(cookie);
    if (of->error)
        return -1;
    if (!(of->gzip ? output_gzip_write(of, data, size) : output_write_bytes(of, data, size)))
        return -1;
    return static_cast<ssize_t>(size);
}

void open_stream(OutputFile *of, bool plain = false)
{
    cookie_io_functions_t io = {nullptr, cookie_write, nullptr, nullptr};
    if (!plain && output_gzip_wanted(of->name.c_str()))
        of->gzip = output_gzip_open();
    of->stream = fopencookie(of, "w", io);
    if (!of->stream) {
        fprintf(stderr, "Memory allocation error -- unable to allocate %lu bytes.\n",
                (unsigned long)BUFSIZ);
        throw RunExit{1};
    }
    // A large buffer keeps the writes to the destination few on files of
    // gigabytes; the program writes from one thread, so per-call locking goes.
    of->buffer = static_cast<char *>(xmalloc(STREAM_BUFFER_SIZE));
    setvbuf(of->stream, of->buffer, _IOFBF, STREAM_BUFFER_SIZE);
#ifdef __GLIBC__
    __fsetlocking(of->stream, FSETLOCKING_BYCALLER);
#endif
}

void close_stream(OutputFile *of)
{
    fclose(of->stream);
    of->stream = nullptr;
    free(of->buffer);
    of->buffer = nullptr;
}

// The file a create would reach: symbolic links followed to their target,
// which need not exist yet.
std::string resolve_links(const char *name)
{
    std::string path = name;
    for (int hops = 0; hops < 40; hops++) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        char target[PATH_MAX];
        ssize_t len = readlink(path.c_str(), target, sizeof target - 1);
        if (len < 0)
            break;
        target[len] = '\0';
        size_t slash = path.rfind('/');
        if (target[0] == '/' || slash == std::string::npos)
            path = target;
        else
            path = path.substr(0, slash + 1) + target;
    }
    return path;
}

bool open_named_temp(OutputFile *of, const std::string &dir)
{
    static const char DIGITS[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    unsigned long seed = static_cast<unsigned long>(now.tv_nsec) ^
                         (static_cast<unsigned long>(getpid()) << 16);
    for (int attempt = 0; attempt < 100; attempt++) {
        std::string base = "." + of->final_base + ".";
        unsigned long n = seed + static_cast<unsigned long>(attempt) * 7919;
        for (int i = 0; i < 6; i++, n /= 36)
            base += DIGITS[n % 36];
        int fd = openat(of->dir_fd, base.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            of->fd = fd;
            of->temp_base = base;
            of->temp_path = dir + "/" + base;
            interrupt_set_temp(of->temp_path.c_str());
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool open_final_temp(OutputFile *of, const char *name)
{
    std::string final = resolve_links(name);
    size_t slash = final.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : final.substr(0, slash);
    of->final_base = slash == std::string::npos ? final : final.substr(slash + 1);

    // A file we could not read is replaced, as a create would truncate it;
    // only if it can be written, which opening it without truncation shows.
    struct stat st;
    if (stat(final.c_str(), &st) == 0) {
        int probe = open(final.c_str(), O_WRONLY | O_CLOEXEC);
        if (probe < 0)
            return false;
        close(probe);
        of->replace = true;
    }
    of->dir_fd = open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (of->dir_fd < 0)
        return false;
    of->atomic = true;
    // An unnamed file cannot replace anything and vanishes with the process.
    if (!of->replace && of->unnamed_temp) {
        of->fd = openat(of->dir_fd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (of->fd >= 0)
            return true;
    }
    if (!open_named_temp(of, dir))
        return false;
    if (of->replace)
        fchmod(of->fd, st.st_mode & 07777);
    return true;
}

void close_fds(OutputFile *of)
{
    if (of->fd >= 0 && of->fd != STDOUT_FILENO)
        close(of->fd);
    of->fd = -1;
    if (of->dir_fd >= 0)
        close(of->dir_fd);
    of->dir_fd = -1;
    output_gzip_close(of->gzip);
    of->gzip = nullptr;
}

void remove_temp(OutputFile *of)
{
    if (of->temp_base.empty())
        return;
    interrupt_set_temp(nullptr);
    unlinkat(of->dir_fd, of->temp_base.c_str(), 0);
    of->temp_base.clear();
}

[[noreturn]] void fail_commit(OutputFile *of, int err)
{
    output_discard(of);
    io_fail_writing(*of->msg, of->name.c_str(), strerror(err));
}

bool link_unnamed(OutputFile *of)
{
    char proc_path[64];
    snprintf(proc_path, sizeof proc_path, "/proc/self/fd/%d", of->fd);
    if (linkat(AT_FDCWD, proc_path, of->dir_fd, of->final_base.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != ENOENT)
        return false;
    return linkat(of->fd, "", of->dir_fd, of->final_base.c_str(), AT_EMPTY_PATH) == 0;
}

bool move_named(OutputFile *of)
{
    const char *temp = of->temp_base.c_str(), *final = of->final_base.c_str();
    if (of->replace)
        return renameat(of->dir_fd, temp, of->dir_fd, final) == 0;
    if (renameat2(of->dir_fd, temp, of->dir_fd, final, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (linkat(of->dir_fd, temp, of->dir_fd, final, 0) != 0)
        return false;
    unlinkat(of->dir_fd, temp, 0);
    return true;
}

} // namespace

bool output_write_bytes(OutputFile *of, const char *data, size_t size)
{
    while (size > 0) {
        ssize_t done = write(of->fd, data, size);
        if (done < 0) {
            // A write blocked when a signal came gives up only if the run
            // is to stop for it.
            if (errno == EINTR && !interrupt_pending())
                continue;
            of->error = errno;
            return false;
        }
        data += done;
        size -= static_cast<size_t>(done);
        of->written += done;
    }
    // The final sync then waits for the last stretch only, not for the
    // whole file: the disk writes the rest while the run goes on.
    if (of->atomic && of->written - of->flushed_to >= WRITE_BEHIND) {
        sync_file_range(of->fd, of->flushed_to, of->written - of->flushed_to,
                        SYNC_FILE_RANGE_WRITE);
        of->flushed_to = of->written;
    }
    return true;
}

void output_open_fd(OutputFile *of, const char *name, int fd, const MsgSettings &ms)
{
    of->msg = &ms;
    of->name = name;
    of->fd = fd;
    open_stream(of, true);
}

void output_open_stdout(OutputFile *of, const MsgSettings &ms)
{
    of->msg = &ms;
    of->name = "<stdout>";
    of->fd = STDOUT_FILENO;
    open_stream(of);
}

bool output_create_new(OutputFile *of, const char *name, const MsgSettings &ms)
{
    of->msg = &ms;
    FILE *probe = fopen(name, "r");
    if (probe) {
        fclose(probe);
        msg_error(ms, "File '%s' already exists", name);
        return false;
    }
    of->name = name;
    if (!open_final_temp(of, name)) {
        close_fds(of);
        msg_error(ms, "Unable to open '%s' for writing", name);
        return false;
    }
    open_stream(of);
    return true;
}

bool output_create_overwrite(OutputFile *of, const char *name, const MsgSettings &ms)
{
    of->msg = &ms;
    FILE *probe = fopen(name, "r");
    if (probe) {
        fclose(probe);
        msg_warning(ms, "Overwriting file '%s'", name);
    }
    of->name = name;
    of->fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (of->fd < 0) {
        msg_error(ms, "Unable to open '%s' for writing", name);
        return false;
    }
    open_stream(of);
    return true;
}

void output_check(OutputFile *of)
{
    interrupt_check();
    if (of->error)
        io_fail_writing(*of->msg, of->name.c_str(), strerror(of->error));
}

void output_flush(OutputFile *of)
{
    if (of->stream)
        fflush(of->stream);
    output_check(of);
}

void output_finish(OutputFile *of)
{
    if (of->stream)
        fflush(of->stream);
    if (of->gzip && !of->error)
        output_gzip_finish(of);
}

void output_commit(OutputFile *of)
{
    if (!of->stream) {
        output_discard(of);
        return;
    }
    output_flush(of);
    output_finish(of);
    output_check(of);
    close_stream(of);
    output_check(of);
    if (of->atomic && fsync(of->fd) != 0)
        fail_commit(of, errno);
    // From here on the file is put in place whole; a signal can no longer
    // swap its descriptor for the null device, and one that comes after this
    // check is too late to stop the run.
    if (of->atomic)
        interrupt_watch(-1, -1);
    interrupt_check();
    if (of->atomic && !(of->temp_base.empty() ? link_unnamed(of) : move_named(of)))
        fail_commit(of, errno);
    interrupt_set_temp(nullptr);
    of->temp_base.clear();
    int fd = of->fd;
    of->fd = -1;
    bool closed = fd == STDOUT_FILENO || close(fd) == 0;
    int err = errno;
    close_fds(of);
    if (!closed)
        io_fail_writing(*of->msg, of->name.c_str(), strerror(err));
}

long long output_plain_position(OutputFile *of)
{
    struct stat st;
    if (of->gzip || !of->stream || fstat(of->fd, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    fflush(of->stream);
    return of->error ? -1 : lseek(of->fd, 0, SEEK_CUR);
}

void output_cut_back(OutputFile *of, long long size)
{
    if (of->stream)
        fflush(of->stream);
    int done;
    do
        done = ftruncate(of->fd, static_cast<off_t>(size));
    while (done != 0 && errno == EINTR);
    if (done == 0 && lseek(of->fd, static_cast<off_t>(size), SEEK_SET) < 0)
        done = -1;
    if (done != 0 && !of->error)
        of->error = errno;
}

void output_discard(OutputFile *of)
{
    if (of->stream) {
        // Nothing more may reach the destination.
        of->error = of->error ? of->error : EPIPE;
        close_stream(of);
    }
    remove_temp(of);
    close_fds(of);
}
