#include "support/spill.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "support/interrupt.h"
#include "support/io_failure.h"

namespace {

// Large enough that the kernel copies in few calls, small enough that a
// signal is noticed soon.
const size_t COPY_CHUNK = size_t(8) << 20;
const size_t READ_CHUNK = size_t(1) << 16;

// A temporary file in `folder` that no name reaches; -1 with errno set.
int open_anonymous(const std::string &folder)
{
    int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    // A file system without unnamed files: the name goes at once.
    std::string path = folder + "/.kestrove-spill-XXXXXX";
    fd = mkostemp(&path[0], O_CLOEXEC);
    if (fd >= 0)
        unlink(path.c_str());
    return fd;
}

// Standard input, output and error keep their numbers for what they are.
int above_standard_streams(int fd)
{
    if (fd > STDERR_FILENO)
        return fd;
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    int err = errno;
    close(fd);
    errno = err;
    return moved;
}

// Kernel copies that do not apply to this pair of files, as opposed to a
// failure of the destination.
bool copy_not_supported(int err)
{
    return err == EXDEV || err == EINVAL || err == EBADF || err == EOPNOTSUPP ||
           err == ENOSYS || err == ETXTBSY;
}

enum CopyWay { COPY_RANGE, COPY_SENDFILE, COPY_READ_WRITE };

// One step of copying from `from` at *offset to the end of dest's descriptor:
// the bytes copied (offset advanced), or -1 with errno set.
ssize_t copy_step(CopyWay way, int from, off_t *offset, size_t want, OutputFile *dest,
                  char *buffer)
{
    if (way == COPY_RANGE)
        return copy_file_range(from, offset, dest->fd, nullptr, want, 0);
    if (way == COPY_SENDFILE)
        return sendfile(dest->fd, from, offset, want);
    ssize_t got = pread(from, buffer, want < READ_CHUNK ? want : READ_CHUNK, *offset);
    if (got <= 0)
        return got;
    long long before = dest->written;
    if (!output_write_bytes(dest, buffer, static_cast<size_t>(got))) {
        errno = dest->error;
        return -1;
    }
    dest->written = before;
    *offset += got;
    return got;
}

// Copies [*offset, size) of `from` to the end of dest's descriptor, by the
// cheapest way that works for the pair; sets dest->error when a write fails.
void copy_to_fd(int from, off_t size, OutputFile *dest)
{
    CopyWay way = COPY_RANGE;
    char buffer[READ_CHUNK];
    off_t offset = 0;
    while (offset < size && !interrupt_pending()) {
        size_t want = static_cast<size_t>(size - offset);
        ssize_t done = copy_step(way, from, &offset, want < COPY_CHUNK ? want : COPY_CHUNK,
                                 dest, buffer);
        if (done > 0) {
            dest->written += done;
            continue;
        }
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0 && way != COPY_READ_WRITE && copy_not_supported(errno)) {
            way = way == COPY_RANGE ? COPY_SENDFILE : COPY_READ_WRITE;
            continue;
        }
        // A spill that reads short has lost what was written to it.
        dest->error = done < 0 ? errno : EIO;
        return;
    }
}

} // namespace

std::string spill_folder(const char *beside)
{
    const char *tmpdir = getenv("TMPDIR");
    if (tmpdir && *tmpdir)
        return tmpdir;
    if (!beside || strcmp(beside, "<stdout>") == 0)
        return "/tmp";
    const char *slash = strrchr(beside, '/');
    if (!slash)
        return ".";
    return slash == beside ? "/" : std::string(beside, static_cast<size_t>(slash - beside));
}

void spill_open(OutputFile *spill, const char *stands_for, const std::string &folder,
                const MsgSettings &ms)
{
    output_open_fd(spill, stands_for, spill_open_raw(stands_for, folder, ms), ms);
}

void spill_append(OutputFile *spill, OutputFile *dest)
{
    output_flush(spill);
    output_flush(dest);
    off_t size = static_cast<off_t>(spill->written);
    if (!dest->gzip) {
        copy_to_fd(spill->fd, size, dest);
        output_check(dest);
        return;
    }
    char buffer[READ_CHUNK];
    for (off_t offset = 0; offset < size;) {
        ssize_t got = pread(spill->fd, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            io_fail_writing(*dest->msg, dest->name.c_str(), strerror(got < 0 ? errno : EIO));
        fwrite(buffer, 1, static_cast<size_t>(got), dest->stream);
        offset += got;
        output_check(dest);
    }
}

int spill_open_raw(const char *stands_for, const std::string &folder, const MsgSettings &ms)
{
    int fd = open_anonymous(folder);
    if (fd >= 0)
        fd = above_standard_streams(fd);
    if (fd < 0)
        io_fail_writing(ms, stands_for, strerror(errno));
    return fd;
}

void spill_append_unchecked(int spill_fd, int fd)
{
    struct stat st;
    if (fstat(spill_fd, &st) != 0)
        return;
    char buffer[READ_CHUNK];
    for (off_t offset = 0; offset < st.st_size;) {
        ssize_t got = pread(spill_fd, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR && !interrupt_pending())
            continue;
        if (got <= 0)
            return;
        for (ssize_t put = 0; put < got;) {
            ssize_t done = write(fd, buffer + put, static_cast<size_t>(got - put));
            if (done < 0 && errno == EINTR && !interrupt_pending())
                continue;
            if (done <= 0)
                return;
            put += done;
        }
        offset += got;
    }
}
