// The wrappers behind fuzz_guard_run. The program keeps every record until
// the process ends, keeps some state in global variables and ends the
// process on a few prescribed paths; a fuzzer runs millions of "processes"
// in one. So each iteration is made to start from the same state, the one
// the set-up left (templates registered, nothing read yet):
//  - at the first iteration the library's writable data (its global and
//    static variables, minus the coverage counters the fuzzer reads) and the
//    contents of every block allocated during set-up are saved;
//  - after each iteration both are put back, every block the iteration
//    allocated is freed and every stream it opened is closed; a set-up block
//    the iteration frees or moves is kept instead, since the saved state
//    still refers to it;
//  - a run ended by RunExit, or by exit(), comes back to fuzz_guard_run.
// This file is compiled without coverage instrumentation: its own
// comparisons would otherwise steer the fuzzer.
#include "fuzz_guard.h"

#include "support/run_exit.h"

#include <dlfcn.h>
#include <link.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

extern "C" {
[[noreturn]] void __real_exit(int status);
void *__real_malloc(size_t size);
void *__real_calloc(size_t count, size_t size);
void *__real_realloc(void *block, size_t size);
void __real_free(void *block);
char *__real_strdup(const char *text);
char *__real_strndup(const char *text, size_t n);
FILE *__real_fopen(const char *name, const char *mode);
FILE *__real_fopen64(const char *name, const char *mode);
int __real_fclose(FILE *stream);

// Bounds of the coverage counters in this object, defined by the linker.
extern char __start___sancov_cntrs[] __attribute__((weak, visibility("hidden")));
extern char __stop___sancov_cntrs[] __attribute__((weak, visibility("hidden")));
extern char __start___sancov_pcs[] __attribute__((weak, visibility("hidden")));
extern char __stop___sancov_pcs[] __attribute__((weak, visibility("hidden")));
}

namespace {

struct Range {
    uintptr_t start;
    uintptr_t end;
};

struct Saved {
    Range range;
    std::vector<char> bytes;
};

struct GuardState {
    bool armed = false;
    bool setup_changed = true;
    jmp_buf on_exit;
    int exit_status = 0;
    std::unordered_map<uintptr_t, size_t> iteration; // freed after each iteration
    std::unordered_map<uintptr_t, size_t> setup;     // restored after each iteration
    std::unordered_set<FILE *> streams;
    std::vector<Saved> saved_globals;
    std::vector<Saved> saved_setup;
};

GuardState &state()
{
    static GuardState *s = new GuardState;
    return *s;
}

void track(void *block, size_t size)
{
    if (!block)
        return;
    GuardState &s = state();
    if (s.armed) {
        s.iteration[reinterpret_cast<uintptr_t>(block)] = size;
    } else {
        s.setup[reinterpret_cast<uintptr_t>(block)] = size;
        s.setup_changed = true;
    }
}

bool is_setup_block(void *block)
{
    return block && state().setup.count(reinterpret_cast<uintptr_t>(block));
}

// Copies between saved buffers and memory that the sanitizer may partly
// poison (redzones between globals, block tails); the volatile word loop
// keeps the compiler from turning it into an intercepted memcpy.
__attribute__((no_sanitize("address", "undefined"))) void raw_copy(char *to, const char *from,
                                                                     size_t n)
{
    size_t i = 0;
    if (reinterpret_cast<uintptr_t>(to) % 8 == 0 && reinterpret_cast<uintptr_t>(from) % 8 == 0) {
        for (; i + 8 <= n; i += 8)
            *reinterpret_cast<volatile uint64_t *>(to + i) =
                *reinterpret_cast<const volatile uint64_t *>(from + i);
    }
    for (; i < n; i++)
        *reinterpret_cast<volatile char *>(to + i) = *reinterpret_cast<const volatile char *>(from + i);
}

Saved save(uintptr_t start, uintptr_t end)
{
    Saved saved{{start, end}, std::vector<char>(end - start)};
    raw_copy(saved.bytes.data(), reinterpret_cast<const char *>(start), end - start);
    return saved;
}

void restore(const Saved &saved)
{
    raw_copy(reinterpret_cast<char *>(saved.range.start), saved.bytes.data(), saved.bytes.size());
}

// Removes `hole` from every range of `ranges`.
void cut(std::vector<Range> &ranges, Range hole)
{
    if (hole.start >= hole.end)
        return;
    std::vector<Range> out;
    for (Range r : ranges) {
        if (hole.end <= r.start || hole.start >= r.end) {
            out.push_back(r);
            continue;
        }
        if (r.start < hole.start)
            out.push_back({r.start, hole.start});
        if (hole.end < r.end)
            out.push_back({hole.end, r.end});
    }
    ranges.swap(out);
}

struct SegmentSearch {
    uintptr_t base;
    std::vector<Range> writable;
};

int collect_segments(dl_phdr_info *info, size_t, void *data)
{
    auto *search = static_cast<SegmentSearch *>(data);
    if (info->dlpi_addr != search->base)
        return 0;
    std::vector<Range> relro;
    for (int i = 0; i < info->dlpi_phnum; i++) {
        const ElfW(Phdr) &ph = info->dlpi_phdr[i];
        uintptr_t start = info->dlpi_addr + ph.p_vaddr;
        if (ph.p_type == PT_LOAD && (ph.p_flags & PF_W))
            search->writable.push_back({start, start + ph.p_memsz});
        else if (ph.p_type == PT_GNU_RELRO)
            relro.push_back({start, start + ph.p_memsz});
    }
    // Read-only after relocation, and nothing there changes during a run.
    for (Range r : relro)
        cut(search->writable, r);
    return 1;
}

// The library's global and static variables: its writable segment minus the
// relocation-only part and the coverage tables.
std::vector<Range> library_globals()
{
    Dl_info info;
    if (!dladdr(reinterpret_cast<void *>(&fuzz_guard_run), &info)) {
        fprintf(stderr, "fuzz_guard: cannot locate the library's own segments\n");
        abort();
    }
    SegmentSearch search{reinterpret_cast<uintptr_t>(info.dli_fbase), {}};
    dl_iterate_phdr(collect_segments, &search);
    if (search.writable.empty()) {
        fprintf(stderr, "fuzz_guard: the library has no writable segment\n");
        abort();
    }
    cut(search.writable, {reinterpret_cast<uintptr_t>(__start___sancov_cntrs),
                          reinterpret_cast<uintptr_t>(__stop___sancov_cntrs)});
    cut(search.writable, {reinterpret_cast<uintptr_t>(__start___sancov_pcs),
                          reinterpret_cast<uintptr_t>(__stop___sancov_pcs)});
    return search.writable;
}

void save_start_state()
{
    GuardState &s = state();
    if (s.saved_globals.empty())
        for (Range r : library_globals())
            s.saved_globals.push_back(save(r.start, r.end));
    if (s.setup_changed) {
        s.saved_setup.clear();
        for (const auto &block : s.setup)
            s.saved_setup.push_back(save(block.first, block.first + block.second));
        s.setup_changed = false;
    }
}

void end_iteration()
{
    GuardState &s = state();
    for (FILE *stream : s.streams)
        __real_fclose(stream);
    s.streams.clear();
    for (const Saved &saved : s.saved_globals)
        restore(saved);
    for (const Saved &saved : s.saved_setup)
        restore(saved);
    for (const auto &block : s.iteration)
        __real_free(reinterpret_cast<void *>(block.first));
    s.iteration.clear();
}

} // namespace

extern "C" {

int fuzz_guard_run(void (*body)(void *), void (*cleanup)(void *), void *arg)
{
    GuardState &s = state();
    save_start_state();
    volatile int status = -1;
    s.armed = true;
    if (setjmp(s.on_exit) == 0) {
        try {
            body(arg);
        } catch (const RunExit &e) {
            status = e.status;
        }
    } else {
        status = s.exit_status;
    }
    if (cleanup)
        cleanup(arg);
    s.armed = false;
    end_iteration();
    return status;
}

size_t fuzz_guard_live_blocks()
{
    return state().iteration.size();
}

void __wrap_exit(int status)
{
    GuardState &s = state();
    if (!s.armed)
        __real_exit(status);
    // What the process would have flushed at exit is still buffered in the
    // streams; they are closed when the iteration ends.
    s.exit_status = status;
    longjmp(s.on_exit, 1);
}

void *__wrap_malloc(size_t size)
{
    void *block = __real_malloc(size);
    track(block, size);
    return block;
}

void *__wrap_calloc(size_t count, size_t size)
{
    void *block = __real_calloc(count, size);
    track(block, count * size);
    return block;
}

void *__wrap_realloc(void *block, size_t size)
{
    GuardState &s = state();
    if (s.armed && is_setup_block(block)) {
        // Moved out of a set-up block: the block itself must stay.
        void *moved = size ? __real_malloc(size) : nullptr;
        if (moved) {
            size_t old = s.setup[reinterpret_cast<uintptr_t>(block)];
            memcpy(moved, block, old < size ? old : size);
            track(moved, size);
        }
        return moved;
    }
    void *moved = __real_realloc(block, size);
    if (block && (moved || size == 0)) {
        uintptr_t key = reinterpret_cast<uintptr_t>(block);
        if (!s.iteration.erase(key) && s.setup.erase(key))
            s.setup_changed = true;
    }
    track(moved, size);
    return moved;
}

void __wrap_free(void *block)
{
    if (!block)
        return;
    GuardState &s = state();
    uintptr_t key = reinterpret_cast<uintptr_t>(block);
    if (s.iteration.erase(key)) {
        __real_free(block);
        return;
    }
    if (s.setup.count(key)) {
        if (s.armed)
            return; // the saved state still refers to it
        s.setup.erase(key);
        s.setup_changed = true;
    }
    __real_free(block);
}

char *__wrap_strdup(const char *text)
{
    char *copy = __real_strdup(text);
    track(copy, copy ? strlen(copy) + 1 : 0);
    return copy;
}

char *__wrap_strndup(const char *text, size_t n)
{
    char *copy = __real_strndup(text, n);
    track(copy, copy ? strlen(copy) + 1 : 0);
    return copy;
}

FILE *__wrap_fopen(const char *name, const char *mode)
{
    FILE *stream = __real_fopen(name, mode);
    if (stream && state().armed)
        state().streams.insert(stream);
    return stream;
}

FILE *__wrap_fopen64(const char *name, const char *mode)
{
    FILE *stream = __real_fopen64(name, mode);
    if (stream && state().armed)
        state().streams.insert(stream);
    return stream;
}

int __wrap_fclose(FILE *stream)
{
    state().streams.erase(stream);
    return __real_fclose(stream);
}
}
