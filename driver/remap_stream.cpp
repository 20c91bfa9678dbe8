#include "driver/remap_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "driver/driver.h"
#include "support/interrupt.h"
#include "support/io_failure.h"
#include "support/run_exit.h"
#include "support/spill.h"

namespace {

const char STDERR_NAME[] = "<stderr>";

// Instances are taken in groups, so that switching standard error to the
// spill and back is paid once per group, while the memory they hold stays
// small. Groups start at one instance and double up to this size, which
// keeps the first instances of an input as prompt as the rest.
const long long LARGEST_GROUP = 256;

// Whether the file under `fd` is also standard output or error: those
// write it at positions of their own during the read, so audit text written
// there at once would land in another order.
bool shared_with_standard_streams(int fd)
{
    struct stat mine, other;
    if (fstat(fd, &mine) != 0)
        return true;
    for (int o : {STDOUT_FILENO, STDERR_FILENO})
        if (fstat(o, &other) == 0 && other.st_dev == mine.st_dev && other.st_ino == mine.st_ino)
            return true;
    return false;
}

// Copying the audit text from a spill would cost a second pass over as many
// bytes as the input; a log that can be cut back takes it at once instead.
// Nothing else reaches the log until the spills are appended: its header
// and template sections are written before the read, messages go to
// standard error.
bool open_log_direct(RemapStream *rs)
{
    if (shared_with_standard_streams(rs->log->fd))
        return false;
    long long mark = output_plain_position(rs->log);
    if (mark < 0)
        return false;
    int fd = fcntl(rs->log->fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (fd < 0)
        return false;
    output_open_fd(&rs->log_spill, rs->log->name.c_str(), fd, *rs->ctx.msg);
    rs->log_mark = mark;
    return true;
}

void open_spills(RemapStream *rs)
{
    std::string folder = spill_folder(rs->out->name.c_str());
    const MsgSettings &ms = *rs->ctx.msg;
    spill_open(&rs->out_spill, rs->out->name.c_str(), folder, ms);
    if (!open_log_direct(rs))
        spill_open(&rs->log_spill, rs->log->name.c_str(), folder, ms);
    rs->err_spill = spill_open_raw(STDERR_NAME, folder, ms);
    rs->saved_err = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    rs->opened = true;
}

// While remapping, the reader's output is the output spill and standard
// error is the message spill. The reader is in collect mode, in which its
// token store takes the texts that remapping makes (the end of the read
// leaves it in echo mode); its mode is restored after, since a fatal error
// in the writer leaves it switched.
struct Redirect {
    RemapStream *rs;
    SdfReader *rd;
    FILE *out;
    int mode;

    Redirect(RemapStream *stream, SdfReader *reader)
        : rs(stream), rd(reader), out(reader->out), mode(reader->mode)
    {
        rd->out = rs->out_spill.stream;
        rd->mode = MODE_COLLECT;
        clearerr(stderr);
        dup2(rs->err_spill, STDERR_FILENO);
    }
    ~Redirect()
    {
        rd->out = out;
        rd->mode = mode;
        if (rs->saved_err >= 0)
            dup2(rs->saved_err, STDERR_FILENO);
        else
            close(STDERR_FILENO);
    }
    Redirect(const Redirect &) = delete;
    Redirect &operator=(const Redirect &) = delete;
};

void remap_list(RemapStream *rs, SdfReader *rd, CellInstance *instances)
{
    if (rs->fatal)
        return;
    if (!rs->opened)
        open_spills(rs);
    int err_failed = 0;
    {
        Redirect redirect(rs, rd);
        try {
            // Write failures are reported once standard error is back.
            remap_all_instances(&rs->ctx, rs->log_spill.stream, instances);
        } catch (const RunExit &e) {
            if (e.signal || e.status != 1)
                throw;
            rs->fatal = true;
        }
        if (ferror(stderr))
            err_failed = errno ? errno : EIO;
    }
    if (err_failed)
        io_fail_writing(*rs->ctx.msg, STDERR_NAME, strerror(err_failed));
    output_check(&rs->out_spill);
    output_check(&rs->log_spill);
}

} // namespace

RemapStream::RemapStream(const MsgSettings &ms, OutputFile *out_file, OutputFile *log_file,
                         const SdfTemplateHooks &hooks)
    : out(out_file), log(log_file), templates(hooks), ctx(ms)
{
}

RemapStream::~RemapStream()
{
    output_discard(&out_spill);
    // Audit text still in the stream is dropped, not written.
    output_discard(&log_spill);
    if (log_mark >= 0 && !log_kept)
        output_cut_back(log, log_mark);
    if (err_spill >= 0)
        close(err_spill);
    if (saved_err >= 0)
        close(saved_err);
}

int remap_stream_take(void *stream, SdfReader *rd)
{
    RemapStream *rs = static_cast<RemapStream *>(stream);
    rs->reader = rd;
    if (++rs->waiting < rs->group || rd->triple_form == FORM_UNDECIDED)
        return 0;
    // The templates are all loaded before the read, so the link the end of
    // the read would make is known now; an instance without one waits for
    // the end of the read to report it.
    long long count = 0;
    for (CellInstance *inst = rd->cells; inst; inst = inst->next, count++) {
        inst->template_cell = rs->templates.link(rs->templates.set, inst->celltype);
        if (!inst->template_cell)
            return 0;
    }
    rs->taken += count;
    rs->waiting = 0;
    if (rs->group < LARGEST_GROUP)
        rs->group *= 2;
    remap_list(rs, rd, rd->cells);
    return 1;
}

void remap_stream_forget(void *stream)
{
    static_cast<RemapStream *>(stream)->reader = nullptr;
}

bool remap_stream_finish(RemapStream *rs, CellInstance *pending)
{
    SdfReader *rd = pending ? pending->reader : rs->reader;
    if (!pending && !(rs->taken && rd && rd->complete))
        return false;
    if (pending)
        remap_list(rs, rd, pending);
    if (rs->opened) {
        spill_append(&rs->out_spill, rs->out);
        if (rs->log_mark >= 0)
            output_flush(&rs->log_spill);
        else
            spill_append(&rs->log_spill, rs->log);
        rs->log_kept = true;
        spill_append_unchecked(rs->err_spill, STDERR_FILENO);
    }
    if (rs->fatal)
        throw RunExit{1};
    sdf_check_end(rd);
    return true;
}
