// Fixtures the unit tests share: readers over in-memory text, scratch files
// and captured messages, and template records made by hand.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "config/tdef.h"
#include "config/template.h"
#include "sdf/sdf_lexer.h"
#include "support/run_exit.h"

// A run that ends early does so by RunExit; the death test turns it into the
// process status the program's entry would return.
#define EXPECT_RUN_EXIT(statement, exit_status, pattern)                                       \
    EXPECT_EXIT(                                                                          \
        {                                                                                 \
            try {                                                                         \
                statement;                                                                \
            } catch (const RunExit &e) {                                                  \
                exit(e.status);                                                           \
            }                                                                             \
        },                                                                                \
        testing::ExitedWithCode(exit_status), pattern)

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

// Readers and their records live until the process ends; the leak checker
// is told so while a test holds them.
struct KeepAllocations {
#ifdef __SANITIZE_ADDRESS__
    KeepAllocations() { __lsan_disable(); }
    ~KeepAllocations() { __lsan_enable(); }
#else
    KeepAllocations() {}
#endif
};

inline void capture_stderr() { testing::internal::CaptureStderr(); }
inline std::string captured_stderr() { return testing::internal::GetCapturedStderr(); }

// A scratch file for output, echo and audit text.
struct Scratch {
    Scratch() : f(tmpfile()) {}
    Scratch(const Scratch &) = delete;
    ~Scratch() { fclose(f); }
    std::string text()
    {
        fflush(f);
        rewind(f);
        std::string s;
        for (int c; (c = getc(f)) != EOF;)
            s += static_cast<char>(c);
        return s;
    }
    FILE *f;
};

// How every test's messages are shown; Verbosity changes it for a scope.
inline MsgSettings test_msg;

// A reader named "t.sdf" over `text`, echoing to a scratch file.
struct Reader {
    explicit Reader(const std::string &text, int mode = MODE_COLLECT, int template_syntax = 0,
                    size_t block = SDF_INPUT_BLOCK)
        : text(text), in(fmemopen(&this->text[0], text.size(), "r")),
          rd(sdf_reader_create(in, "t.sdf", test_msg, "out.sdf", out.f, mode, template_syntax,
                                 block)) {}
    ~Reader() { fclose(in); }
    std::string echoed() { return out.text(); }
    KeepAllocations keep;
    std::string text;
    Scratch out;
    FILE *in;
    SdfReader *rd;
};

// `text` compressed in gzip form, one member per part between the cut
// offsets (ascending, within the text); empty parts make empty members.
inline std::string gzip_members(const std::string &text, std::vector<size_t> cuts = {})
{
    cuts.push_back(text.size());
    std::string out;
    size_t from = 0;
    for (size_t cut : cuts) {
        z_stream z{};
        deflateInit2(&z, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        std::string part = text.substr(from, cut - from);
        std::vector<unsigned char> buf(deflateBound(&z, part.size()) + 32);
        z.next_in = reinterpret_cast<Bytef *>(&part[0]);
        z.avail_in = static_cast<uInt>(part.size());
        z.next_out = buf.data();
        z.avail_out = static_cast<uInt>(buf.size());
        deflate(&z, Z_FINISH);
        out.append(reinterpret_cast<char *>(buf.data()), buf.size() - z.avail_out);
        deflateEnd(&z);
        from = cut;
    }
    return out;
}

inline int temp_serial = 0;

// A unique name for the scope's files.
inline std::string temp_name()
{
    return testing::TempDir() + "kestrove_" + std::to_string(getpid()) + "_" + std::to_string(temp_serial++);
}

// `text` stored under `path` (a unique name when empty) for the scope;
// renamed() puts `name` in place of that path in messages.
struct TempFile {
    explicit TempFile(const std::string &text, const std::string &at = "") : path(at.empty() ? temp_name() : at)
    {
        FILE *f = fopen(path.c_str(), "wb");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
    ~TempFile() { remove(path.c_str()); }
    std::string renamed(std::string messages, const char *name) const
    {
        for (size_t at; (at = messages.find(path)) != std::string::npos;)
            messages.replace(at, path.size(), name);
        return messages;
    }
    std::string path;
};

struct Verbosity {
    explicit Verbosity(int v) : saved(test_msg.verbosity) { test_msg.verbosity = v; }
    ~Verbosity() { test_msg.verbosity = saved; }
    int saved;
};

// A template set of cells made by hand, registered newest first under
// `name` (the celltype when null).
struct Registry {
    // How a read reaches these templates, in read-ahead blocks of `block`.
    SdfReadSetup setup(size_t block = SDF_INPUT_BLOCK) const
    {
        SdfReadSetup s;
        s.templates = template_hooks(&set);
        s.block_size = block;
        s.msg = &test_msg;
        return s;
    }
    CellInstance *add(const char *celltype, int timescale_ps = 0, const char *name = nullptr)
    {
        SdfReader *rd = sdf_reader_create(nullptr, "t.sdft", test_msg, nullptr, nullptr, MODE_COLLECT, 1);
        CellInstance *cell = rd->cells = new CellInstance();
        cell->celltype = celltype;
        cell->reader = rd;
        if (timescale_ps)
            (cell->defaults = new TimingDefaults())->timescale_ps = timescale_ps;
        set.registry = new CellTemplate{set.registry, name ? name : celltype, 0, rd};
        return cell;
    }
    KeepAllocations keep;
    TemplateSet set;
};

// "-" when absent, "(min)" without typ and max, else "(min:typ:max)".
inline std::string value_text(const ValueTriple &v)
{
    if (v.absent)
        return "-";
    std::string s = std::string("(") + (v.min ? v.min : "");
    if (v.typ || v.max)
        s += std::string(":") + (v.typ ? v.typ : "") + ":" + (v.max ? v.max : "");
    return s + ")";
}

// A check of data port D (bit or range msb:lsb) against reference port CK.
inline TimingCheck make_check(int kind, int ref_edge, int msb = -1, int lsb = -1)
{
    return TimingCheck{nullptr, {"CK", -1, -1, ref_edge}, {"D", msb, lsb, EDGE_NONE}, nullptr, nullptr, kind, -1, 0, {}, {}};
}

// An IOPATH from A (with `edge`) to Y (bit or range msb:lsb).
inline PathEntry make_path(int edge, int msb = -1, int lsb = -1)
{
    PathEntry p{};
    p.in_port = PortSpec{"A", -1, -1, edge};
    p.out_port = PortSpec{"Y", msb, lsb, EDGE_NONE};
    p.score = -1;
    return p;
}

// Links the records in vector order; the first one.
template <class T> T *chain(std::vector<T> &items)
{
    for (size_t i = 0; i + 1 < items.size(); i++)
        items[i].next = &items[i + 1];
    return &items[0];
}
