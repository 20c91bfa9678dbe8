#include "driver/driver.h"

#include <cstdlib>
#include <cstring>

#include "config/template.h"
#include "driver/remap_stream.h"
#include "remap/remap.h"
#include "sdf/sdf_reader.h"
#include "support/interrupt.h"
#include "support/messages.h"
#include "support/output_file.h"
#include "support/run_exit.h"
#include "support/support.h"
#include "writer/writer.h"

const char KESTROVE_VERSION[] = "1.1";

namespace {

// State gathered while the arguments are read.
struct RunOptions {
    const char *audit_name = "kestrove.log";
    OutputFile audit_file;
    FILE *audit = nullptr; // audit_file's stream once opened
    int use_defaults = 1;
    const char *prefs_name = nullptr;
    bool cell_or_mode_seen = false;
    int cells_loaded = 0;
    const char *in_name = nullptr;
    const char *out_name = nullptr;
    int extended = 0;
    TemplateSet templates;
    MsgSettings msg;
};

const char *base_name(const char *path)
{
    const char *slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

void open_audit_log(RunOptions &opt)
{
    if (!output_create_overwrite(&opt.audit_file, opt.audit_name, opt.msg)) {
        msg_error(opt.msg, "Unable to open audit file, \"%s\" for writing", opt.audit_name);
        throw RunExit{1};
    }
    opt.audit = opt.audit_file.stream;
    fprintf(opt.audit, "Audit log produced by kestrove version %s\n\n", KESTROVE_VERSION);
    print_banner(opt.audit);
}

void read_cell_option(RunOptions &opt, int argc, char **argv, int &i)
{
    if (!opt.audit)
        open_audit_log(opt);
    if (strcmp(argv[i], "-cell") != 0)
        unknown_option(opt.msg, argv[i]);
    if (i + 1 >= argc) {
        fprintf(stderr, "%s: Missing cell name after -cell\n", opt.msg.program_name);
        print_usage(opt.msg);
        throw RunExit{1};
    }
    opt.cell_or_mode_seen = true;
    opt.cells_loaded += template_load(&opt.templates, argv[i + 1], opt.use_defaults, opt.prefs_name,
                                      opt.audit, opt.msg);
    output_check(&opt.audit_file);
    opt.prefs_name = nullptr;
    i++;
}

// -min, -typ and -max: once, and only before the first -cell.
void read_mode_option(RunOptions &opt, const char *arg)
{
    int mode;
    if (strcmp(arg, "-min") == 0)
        mode = 0;
    else if (strcmp(arg, "-typ") == 0)
        mode = 1;
    else if (strcmp(arg, "-max") == 0)
        mode = 2;
    else
        unknown_option(opt.msg, arg);
    if (opt.cell_or_mode_seen)
        unknown_option(opt.msg, arg);
    opt.templates.defaults_mode = mode;
    opt.cell_or_mode_seen = true;
}

void read_file_argument(RunOptions &opt, const char *arg)
{
    if (!opt.in_name)
        opt.in_name = arg;
    else if (!opt.out_name)
        opt.out_name = arg;
    else {
        print_usage(opt.msg);
        throw RunExit{1};
    }
}

void read_arguments(RunOptions &opt, int argc, char **argv)
{
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (arg[0] != '-') {
            read_file_argument(opt, arg);
            continue;
        }
        switch (arg[1]) {
        case 'c':
            read_cell_option(opt, argc, argv, i);
            break;
        case 'd':
            opt.use_defaults = 1;
            break;
        case 'n':
            opt.use_defaults = 0;
            break;
        case 'p':
            if (!arg[2]) {
                fputs("Must specify a filename with the -p option\n", stderr);
                print_usage(opt.msg);
                throw RunExit{1};
            }
            opt.prefs_name = arg + 2;
            break;
        case 'l':
            opt.audit_name = arg + 2;
            break;
        case 'm':
        case 't':
            read_mode_option(opt, arg);
            break;
        case 'E':
            opt.extended = 1;
            break;
        case 'q':
            opt.msg.verbosity = 0;
            break;
        case 'v':
            opt.msg.verbosity = 2;
            break;
        case 'V':
            fprintf(stderr, "%s version %s\n", opt.msg.program_name, KESTROVE_VERSION);
            break;
        case 'L':
            fputs("Library paths not yet implemented\n", stderr);
            break;
        case 'h':
            print_usage(opt.msg);
            throw RunExit{0};
        default:
            unknown_option(opt.msg, arg);
        }
    }
}

} // namespace

void print_usage(const MsgSettings &ms)
{
    fprintf(stderr,
            "Usage:\n"
            "  %s [<opts>] -cell <cellname> ... [<sdfin> [<sdfout>]]\n\n"
            "Arguments:\n"
            "\t<cellname>\t Read SDF template from <cellname>.sdft and\n"
            "\t\t\t defaults (if needed)\n"
            "\t<sdfin>\t\t SDF file to remap\n"
            "\t<sdfout>\t Output file (defaults to stdout)\n\n"
            "Options:\n"
            "\t-v\t\t Verbose\n"
            "\t-q\t\t Quiet\n"
            "\t-h\t\t Help\n"
            "\t-V\t\t Show version\n"
            "\t-n\t\t Don't use defaults file (repeatable)\n"
            "\t-d\t\t Do use defaults file (repeatable)\n"
            "\t-p<file>\t Read preferences in file <file> for cell (repeatable)\n"
            "\t-l<file>\t Record audit log in file\n"
            "\t-L<dir>\t\t Add dir to search path for cell templates\n"
            "-min\t\t Look for defaults in <cell>_min.tdef before <cell>.tdef\n"
            "-typ\t\t Look for defaults in <cell>_typ.tdef before <cell>.tdef\n"
            "-max\t\t Look for defaults in <cell>_max.tdef before <cell>.tdef\n"
            "\n-typ is the default behavior\n"
            "\t-n and -d may be repeated before each cell template\n\n",
            ms.program_name);
}

void unknown_option(const MsgSettings &ms, const char *arg)
{
    fprintf(stderr, "%s: Unknown option '%s'\n", ms.program_name, arg);
    print_usage(ms);
    throw RunExit{1};
}

void print_banner(FILE *out)
{
    fprintf(out, "\tkestrove SDF cell remapper -- (c) The kestrove developers\n\n\n");
}

void remap_all_instances(RemapContext *ctx, FILE *audit, CellInstance *instances,
                         OutputFile *out, OutputFile *log)
{
    for (CellInstance *inst = instances; inst; inst = inst->next) {
        CellInstance *tmpl = inst->template_cell;
        RemapResult *result = remap_instance(ctx, audit, tmpl, inst);
        try {
            write_remapped_cell(inst->reader, result, tmpl->prefs, &ctx->text);
        } catch (const RunExit &) {
            remap_result_free(result, inst);
            throw;
        }
        // Freed at once, so that the next instance's result reuses the memory.
        remap_result_free(result, inst);
        interrupt_check();
        if (out)
            output_check(out);
        if (log)
            output_check(log);
    }
}

namespace {

int run(RunOptions &opt, OutputFile &out, int argc, char **argv)
{
    read_arguments(opt, argc, argv);
    output_check(&opt.audit_file);

    if (opt.cells_loaded < 1) {
        fprintf(stderr, "%s: At least one cell must be remapped\n", opt.msg.program_name);
        print_usage(opt.msg);
        return 1;
    }

    FILE *in = stdin;
    const char *in_name = "<stdin>";
    if (opt.in_name) {
        in_name = opt.in_name;
        in = fopen(opt.in_name, "r");
        if (!in) {
            // Opening a pipe waits for its writer; a signal then is no error.
            interrupt_check();
            fprintf(stderr, "%s: Error opening '%s'\n", opt.msg.program_name, opt.in_name);
            return 1;
        }
    }

    if (opt.out_name) {
        if (!output_create_new(&out, opt.out_name, opt.msg))
            return 1;
    } else {
        output_open_stdout(&out, opt.msg);
    }

    interrupt_watch(fileno(in), out.fd);
    if (opt.msg.verbosity != 0)
        print_banner(stderr);

    SdfReadSetup setup;
    setup.templates = template_hooks(&opt.templates);
    setup.msg = &opt.msg;
    setup.extended = opt.extended;
    setup.sink = &out;
    RemapStream stream(opt.msg, &out, &opt.audit_file, setup.templates);
    setup.collect.ctx = &stream;
    setup.collect.take = remap_stream_take;
    setup.collect.forget = remap_stream_forget;
    CellInstance *pending = sdf_read(in_name, out.name.c_str(), in, out.stream, setup);
    return remap_stream_finish(&stream, pending) ? 0 : 1;
}

// An interrupted run keeps what its audit log says so far and leaves no
// output behind.
[[noreturn]] void end_interrupted(RunOptions &opt, OutputFile &out, int sig)
{
    output_finish(&opt.audit_file);
    output_discard(&opt.audit_file);
    output_discard(&out);
    interrupt_reraise(sig);
}

// The audit log is closed before the output is put in place, so that a
// failing log leaves no output either; once the output is in place the run
// has completed and a late signal no longer undoes it.
int finish_run(RunOptions &opt, OutputFile &out, int status)
{
    try {
        if (status != 2)
            output_flush(&out);
        else
            output_discard(&out);
        output_commit(&opt.audit_file);
        output_commit(&out);
        return status;
    } catch (const RunExit &e) {
        if (e.signal)
            end_interrupted(opt, out, e.signal);
        output_discard(&out);
        output_finish(&opt.audit_file);
        output_discard(&opt.audit_file);
        return 2;
    }
}

} // namespace

int driver_main(int argc, char **argv)
{
    interrupt_install();
    RunOptions opt;
    if (argc > 0 && argv[0])
        opt.msg.program_name = base_name(argv[0]);
    OutputFile out;
    int status;
    try {
        status = run(opt, out, argc, argv);
    } catch (const RunExit &e) {
        if (e.signal)
            end_interrupted(opt, out, e.signal);
        status = e.status;
    }
    return finish_run(opt, out, status);
}
