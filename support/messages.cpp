#include "support/messages.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "support/run_exit.h"
#include "support/support.h"

namespace {

// Origins of located messages are cut to this size rather than overflowing.
const size_t ORIGIN_SIZE = 1024;

void emit(const char *prefix_fmt, const char *origin, const char *fmt, va_list ap)
{
    fprintf(stderr, prefix_fmt, origin);
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
}

void vwarning(const MsgSettings &ms, const char *origin, const char *fmt, va_list ap)
{
    if (ms.verbosity >= 1)
        emit("%s - Warning : ", origin, fmt, ap);
}

void verror(const char *origin, const char *fmt, va_list ap)
{
    emit("%s - Error : ", origin, fmt, ap);
}

void located_origin(char *buf, const SourceFile *src)
{
    snprintf(buf, ORIGIN_SIZE, "%s, line %lld", src->name, src->line);
}

void count_warning(SourceFile *src)
{
    src->warnings++;
    if (src->msg->verbosity < 1)
        src->suppressed++;
}

} // namespace

SourceFile *source_file_init(SourceFile *src, FILE *stream, const char *name,
                             const MsgSettings *msg)
{
    size_t len = strlen(name) + 1;
    char *copy = static_cast<char *>(xmalloc(len));
    memcpy(copy, name, len);
    if (!src)
        src = static_cast<SourceFile *>(xmalloc(sizeof(SourceFile)));
    src->stream = stream;
    src->name = copy;
    src->line = 0;
    src->errors = 0;
    src->warnings = 0;
    src->suppressed = 0;
    src->msg = msg;
    return src;
}

long long source_file_summary(const SourceFile *src)
{
    long long w = src->warnings, e = src->errors, s = src->suppressed;
    if (w || e)
        fprintf(stderr, "%s : ", src->name);
    if (w) {
        fprintf(stderr, "%lld warning%s", w, w == 1 ? "" : "s");
        if (s)
            fprintf(stderr, " (%lld suppressed)", s);
    }
    if (e)
        fprintf(stderr, "%s%lld error%s", w ? ", " : "", e, e == 1 ? "" : "s");
    if (w || e)
        fputc('\n', stderr);
    return e;
}

void msg_info(const MsgSettings &ms, const char *fmt, ...)
{
    if (ms.verbosity < 2)
        return;
    va_list ap;
    va_start(ap, fmt);
    emit("%s : ", ms.program_name, fmt, ap);
    va_end(ap);
}

void msg_warning(const MsgSettings &ms, const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    vwarning(ms, ms.program_name, fmt, ap);
    va_end(ap);
}

void msg_error(const MsgSettings &ms, const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    verror(ms.program_name, fmt, ap);
    va_end(ap);
}

void msg_fatal(unsigned long code, const MsgSettings &ms, const char *fmt, ...)
{
    fprintf(stderr, "%s - Fatal internal error %08lx : ", ms.program_name, code);
    va_list ap;
    va_start(ap, fmt);
    vfprintf(stderr, fmt, ap);
    va_end(ap);
    fputs("\n\n**** Please contact Brenlow technical support. ****\n", stderr);
    throw RunExit{1};
}

void msg_error_at(SourceFile *src, const char *fmt, ...)
{
    char origin[ORIGIN_SIZE];
    located_origin(origin, src);
    va_list ap;
    va_start(ap, fmt);
    verror(origin, fmt, ap);
    va_end(ap);
    src->errors++;
}

void msg_warning_at(SourceFile *src, const char *fmt, ...)
{
    char origin[ORIGIN_SIZE];
    located_origin(origin, src);
    va_list ap;
    va_start(ap, fmt);
    vwarning(*src->msg, origin, fmt, ap);
    va_end(ap);
    count_warning(src);
}

void msg_error_in_file(SourceFile *src, const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    verror(src->name, fmt, ap);
    va_end(ap);
    src->errors++;
}
