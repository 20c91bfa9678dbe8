#include "fuzz_fixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "config/template.h"
#include "driver/driver.h"
#include "remap/remap_context.h"
#include "sdf/sdf_reader.h"
#include "sdf/sdf_lexer.h"
#include "support/messages.h"
#include "support/run_exit.h"

namespace {

// A flip-flop with IOPATHs, a COND IOPATH and four kinds of timing check;
// the cell type is common in real netlists so real files reach the matcher.
const char DFFR_TEMPLATE[] =
    "(CELL (CELLTYPE \"DFFR_X1\") (INSTANCE u0)\n"
    "  (DELAY (ABSOLUTE\n"
    "    (IOPATH (posedge CK) Q (tCKQ_r:tCKQ_r:tCKQ_r) (tCKQ_f:tCKQ_f:tCKQ_f))\n"
    "    (IOPATH (posedge CK) QN (tCKQN:tCKQN:tCKQN) (tCKQN:tCKQN:tCKQN))\n"
    "    (COND CK==1'b1 (IOPATH RN Q () (tRNQ:tRNQ:tRNQ)))\n"
    "    (IOPATH RN QN (tRNQN:tRNQN:tRNQN) ())\n"
    "  ))\n"
    "  (TIMINGCHECK\n"
    "    (SETUP D (posedge CK) (tSU:tSU:tSU))\n"
    "    (HOLD D (posedge CK) (tHD:tHD:tHD))\n"
    "    (WIDTH (negedge RN) (tWRN:tWRN:tWRN))\n"
    "    (PERIOD (posedge CK) (tPER:tPER:tPER))\n"
    "    (SETUPHOLD RN (posedge CK) (tREC:tREC:tREC) (tREM:tREM:tREM))\n"
    "  ))\n";

const char DFFR_DEFAULTS[] =
    "TIMES(10 ps)   # unit of every value below\n"
    "tCKQ_r = 12\n"
    "tCKQ_f = 11\n"
    "tCKQN = 9\n"
    "tRNQ = 20\n"
    "tRNQN = 21\n"
    "tSU = 3\n"
    "tHD = 1\n"
    "tHD += 1\n"
    "tWRN = 15\n"
    "tPER = 100\n"
    "tREC = 4\n"
    "tREM = \\\n"
    "   2\n";

// Bus-ranged output and data ports, expanded into one entry per bit.
const char REG4_TEMPLATE[] =
    "(CELL (CELLTYPE \"REG4\") (INSTANCE r)\n"
    "  (DELAY (ABSOLUTE\n"
    "    (IOPATH (posedge CK) Q[3:0] (tCQ:tCQ:tCQ))\n"
    "    (IOPATH EN Q[1] (tEQ:tEQ:tEQ))\n"
    "  ))\n"
    "  (TIMINGCHECK\n"
    "    (SETUPHOLD D[3:0] (posedge CK) (tS:tS:tS) (tH:tH:tH))\n"
    "    (WIDTH (posedge CK) (tW:tW:tW))\n"
    "  ))\n";

const char REG4_DEFAULTS[] =
    "times (1 NS)\n"
    "tCQ = 1\n"
    "tEQ = 2\n"
    "tS = 0\n"
    "tH = 1\n"
    "tW = 3\n";

// Loaded without defaults, with preferences that add cell type names and a
// condition equivalence and switch on every output option.
const char NAND2_TEMPLATE[] =
    "(CELL (CELLTYPE \"NAND2_X1\") (INSTANCE g)\n"
    "  (DELAY (ABSOLUTE\n"
    "    (IOPATH A1 ZN (tA1:tA1:tA1) (tA1f:tA1f:tA1f))\n"
    "    (COND A1 (IOPATH A2 ZN (tA2:tA2:tA2)))\n"
    "    (COND !A1 && B (IOPATH (negedge A2) ZN (tA2n:tA2n:tA2n)))\n"
    "  ))\n";

const char NAND2_PREFS[] =
    "<celleq>\n"
    "\"ND2\"\n"
    "\"sky130_fd_sc_hd__nand2_1\"\n"
    "<condeq>\n"
    "\"A1 == 1'b1\" = \"A1\"\n"
    "<pessim>\n"
    "max\n"
    "<emit_mipd>\n"
    "<emit_retain>\n"
    "<pathtrails>\n";

// An input with cells of every fixture type, a celleq name, a bus register
// and an untemplated cell between them.
const char FIXED_INPUT[] =
    "(DELAYFILE\n"
    "(SDFVERSION \"3.0\")\n"
    "(DESIGN \"fx\")\n"
    "(DIVIDER /)\n"
    "(TIMESCALE 1 ns)\n"
    "(CELL (CELLTYPE \"DFFR_X1\") (INSTANCE top/u1)\n"
    "  (DELAY (ABSOLUTE\n"
    "    (COND (CK==1'b1)&&(D==1'b1) (IOPATH RN QN (0.202::0.202) ()))\n"
    "    (COND (CK==1'b1)&&(D==1'b0) (IOPATH RN Q () (0.034::0.034)))\n"
    "    (IOPATH (posedge CK) QN (0.065::0.065) (0.064::0.064))\n"
    "    (IOPATH (posedge CK) Q (0.111::0.111) (0.094::0.094))\n"
    "    (INTERCONNECT a/Z top/u1/D (0.01::0.02))\n"
    "  ))\n"
    "  (TIMINGCHECK\n"
    "    (WIDTH (negedge RN) (0.154::0.154))\n"
    "    (RECREM (posedge RN) (posedge CK) (0.058::0.058) (0.188::0.188))\n"
    "    (SETUPHOLD (posedge D) (COND RN===1'b1 (posedge CK)) (0.030::0.030) (0.007::0.007))\n"
    "    (SETUPHOLD (negedge D) (COND RN===1'b1 (posedge CK)) (0.034::0.034) (0.006::0.006))\n"
    "    (WIDTH (COND RN===1'b1 (posedge CK)) (0.060::0.060))\n"
    "  ))\n"
    "(CELL (CELLTYPE \"INV_X1\") (INSTANCE top/i0)\n"
    "  (DELAY (ABSOLUTE (IOPATH A ZN (0.01::0.02) (0.03::0.04)))))\n"
    "(CELL (CELLTYPE \"REG4\") (INSTANCE top/r\\[0\\])\n"
    "  (DELAY (ABSOLUTE\n"
    "    (IOPATH (posedge CK) Q[0] (1:2:3))\n"
    "    (IOPATH (posedge CK) Q[2:1] (1.5:2:3.5) (1:1:1))\n"
    "    (IOPATH (negedge CK) Q[3] (4:5:6))\n"
    "  ))\n"
    "  (TIMINGCHECK\n"
    "    (SETUP D[3:0] (posedge CK) (0.1:0.2:0.3))\n"
    "    (HOLD D[1] (posedge CK) (0.1:0.2:0.3))\n"
    "    (SKEW CK EN (1))\n"
    "  ))\n"
    "(CELL (CELLTYPE \"nd2\") (INSTANCE top/g1)\n"
    "  (DELAY (ABSOLUTE\n"
    "    (COND A1 == 1'b1 (IOPATH A2 ZN (0.2::0.3) (0.2::0.3)))\n"
    "    (COND A1==1'b0 (IOPATH A2 ZN (0.4::0.5)))\n"
    "    (IOPATH (posedge A1) ZN (RETAIN (0.01::0.02)) (0.1::0.2) (0.3::0.4))\n"
    "    (INTERCONNECT top/u1/Q top/g1/A1 (0.01::0.02))\n"
    "  ))\n"
    ")\n"
    ")\n";

std::string scratch_dir;
int home_fd = -1;
// Streams the harness opens for an iteration; a run ended early skips the
// body's own fclose, so they are closed when the iteration is over.
FILE *open_streams[16];
int open_count = 0;

// The templates every input is read against.
TemplateSet templates;

FILE *keep_open(FILE *stream)
{
    if (!stream || open_count == 16) {
        perror("fuzz stream");
        abort();
    }
    open_streams[open_count++] = stream;
    return stream;
}

void remove_scratch()
{
    if (scratch_dir.empty())
        return;
    std::string cmd = "rm -rf '" + scratch_dir + "'";
    if (system(cmd.c_str()) != 0)
        fprintf(stderr, "could not remove %s\n", scratch_dir.c_str());
}

void write_text(const char *name, const char *text)
{
    fixture_write(name, reinterpret_cast<const uint8_t *>(text), strlen(text));
}

void close_streams()
{
    while (open_count > 0)
        fclose(open_streams[--open_count]);
}

} // namespace

MsgSettings fixture_msg;

void fixture_init()
{
    if (!scratch_dir.empty())
        return;
    // Every iteration writes a file: memory-backed storage when there is some.
    const char *tmp = getenv("TMPDIR");
    std::string dir = tmp && *tmp ? tmp : access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = dir + "/kestrove-fuzz-XXXXXX";
    if (!mkdtemp(&pattern[0])) {
        perror("mkdtemp");
        abort();
    }
    scratch_dir = pattern;
    atexit(remove_scratch);
    home_fd = open(".", O_RDONLY | O_DIRECTORY);
    if (home_fd < 0) {
        perror("fixture set-up");
        abort();
    }
    write_text("DFFR_X1.sdft", DFFR_TEMPLATE);
    write_text("DFFR_X1_typ.tdef", DFFR_DEFAULTS);
    write_text("REG4.sdft", REG4_TEMPLATE);
    write_text("REG4.tdef", REG4_DEFAULTS);
    write_text("NAND2_X1.sdft", NAND2_TEMPLATE);
    write_text("NAND2_X1.prefs", NAND2_PREFS);
    // Defaults for a template of any name "t" (the template target).
    write_text("t.tdef", (std::string(DFFR_DEFAULTS) + "tCQ = 1\ntEQ = 2\ntS = 0\ntH = 1\n"
                          "tW = 3\ntA1 = 5\n").c_str());
}

void fixture_write(const char *name, const uint8_t *data, size_t size)
{
    std::string path = scratch_dir + "/" + name;
    FILE *f = fopen(path.c_str(), "wb");
    if (!f || (size && fwrite(data, 1, size, f) != size) || fclose(f) != 0) {
        perror(path.c_str());
        abort();
    }
}

int fixture_run(void (*body)(void *), void *arg)
{
    if (chdir(scratch_dir.c_str()) != 0) {
        perror("chdir");
        abort();
    }
    const CellTemplate *registered = templates.registry;
    int status = -1;
    try {
        body(arg);
    } catch (const RunExit &end) {
        status = end.status;
    }
    close_streams();
    template_set_free(&templates, registered);
    if (fchdir(home_fd) != 0) {
        perror("fchdir");
        abort();
    }
    return status;
}

int fixture_load_template(const char *cell_name, int use_defaults, const char *prefs_name)
{
    return template_load(&templates, cell_name, use_defaults, prefs_name,
                         keep_open(fopen("/dev/null", "w")), fixture_msg);
}

void fixture_register_templates()
{
    if (chdir(scratch_dir.c_str()) != 0) {
        perror("chdir");
        abort();
    }
    int loaded = fixture_load_template("DFFR_X1", 1, nullptr) +
                 fixture_load_template("REG4", 1, nullptr) +
                 fixture_load_template("NAND2_X1", 0, "NAND2_X1.prefs");
    close_streams();
    if (fchdir(home_fd) != 0) {
        perror("fchdir");
        abort();
    }
    if (loaded != 3)
        fprintf(stderr, "fuzz fixture: only %d of 3 templates loaded; "
                        "the remapping paths are not exercised\n", loaded);
}

FILE *fixture_open(const char *name, const char *mode)
{
    return keep_open(fopen(name, mode));
}

FILE *fixture_memory_stream(const uint8_t *data, size_t size)
{
    return keep_open(size ? fmemopen(const_cast<uint8_t *>(data), size, "r")
                          : fopen("/dev/null", "r"));
}

void fixture_remap_stream(FILE *in, const char *in_name)
{
    fixture_remap_stream_to(in, in_name, keep_open(fopen("/dev/null", "w")), 0, SDF_INPUT_BLOCK);
}

void fixture_remap_stream_to(FILE *in, const char *in_name, FILE *out, int extended,
                             size_t block_size)
{
    FILE *audit = keep_open(fopen("/dev/null", "w"));
    SdfReadSetup setup;
    setup.templates = template_hooks(&templates);
    setup.extended = extended;
    setup.block_size = block_size;
    setup.msg = &fixture_msg;
    CellInstance *instances = sdf_read(in_name, "out.sdf", in, out, setup);
    if (!instances)
        return;
    try {
        RemapContext ctx(fixture_msg);
        remap_all_instances(&ctx, audit, instances);
    } catch (const RunExit &) {
        sdf_reader_free(instances->reader);
        throw;
    }
    sdf_check_end(instances->reader);
}

void fixture_remap_fixed_input()
{
    FILE *in = fixture_memory_stream(reinterpret_cast<const uint8_t *>(FIXED_INPUT),
                                     sizeof FIXED_INPUT - 1);
    fixture_remap_stream(in, "fixed.sdf");
}
