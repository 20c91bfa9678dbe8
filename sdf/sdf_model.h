// The records shared by the SDF readers, the template loader, the remapping
// engine and the writer. Strings are NUL-terminated and, unless noted, live
// in the token store of the SdfReader that read them; records are never freed
// one by one. Every list is singly linked with `next` first.
#pragma once

#include <cstdio>

#include "support/arena.h"
#include "support/messages.h"

struct TimingDefaults;
struct Preferences;
struct SdfGzip;
struct CondExpr;
struct CellInstance;

enum ReaderMode {
    MODE_COLLECT = 1, // nothing copied; sdf_store keeps text
    MODE_ECHO = 2,    // everything passed over is copied to `out`
};

enum TripleForm {
    FORM_TRIPLE = 0,    // values written min:typ:max
    FORM_SINGLE = 1,    // values written as one number
    FORM_UNDECIDED = 2, // no non-empty value read yet
};

enum EdgeKind {
    EDGE_POSEDGE = 0,
    EDGE_NEGEDGE = 1,
    EDGE_01 = 2,
    EDGE_10 = 3,
    EDGE_0Z = 4,
    EDGE_Z1 = 5,
    EDGE_1Z = 6,
    EDGE_Z0 = 7,
    EDGE_NONE = 8,
};

enum CheckKind {
    CHECK_SETUP = 0,
    CHECK_HOLD = 1,
    CHECK_SETUPHOLD = 2,
    CHECK_WIDTH = 3,
    CHECK_PERIOD = 4,
    CHECK_NOCHANGE = 5,
    CHECK_RECOVERY = 6,
    CHECK_REMOVAL = 7,
    CHECK_RECREM = 8,
    CHECK_OTHER = 9,
};

// Size of SdfReader::line_buf: one piece of input of at most 2047 characters.
const int SDF_LINE_BUF = 2048;
// Size of one token-store block; a token this long or longer is fatal.
const int SDF_STORE_BLOCK = 16384;
// Widest bus range a template port may have: each bit becomes an entry.
const long SDF_TEMPLATE_BUS_BITS = 65536;
// Size of the block the input is read ahead in.
const size_t SDF_INPUT_BLOCK = 1 << 16;

struct OutputFile;

// A condition tree that a reader parsed, kept so that it goes with the reader.
struct ParsedCond {
    ParsedCond *next;
    CondExpr *tree;
};

struct SdfReader {
    SourceFile *source;
    const char *out_name; // "<stdout>" for standard output; null for a template
    FILE *out;            // null for a template
    OutputFile *sink;     // checked as input is read; null when out is unchecked
    char *pos;            // next character to examine in line_buf
    bool at_end;          // after a failed request: the input had ended (sdf_at_end)
    char divider;         // '.' or '/'
    int timescale_exp;    // time unit as a power of ten of 1 ps; 3 = 1 ns
    int mode;             // ReaderMode
    int template_syntax;  // 1: value components are names, no mean delays
    int triple_form;      // TripleForm, fixed by the first non-empty value
    int extended;         // 1: negative values and leading deltype blocks read
    Arena arena;          // the collected records, their texts and the token store
    ParsedCond *conds;    // the condition trees of the collected entries
    char *store_block;
    char *store_next;
    CellInstance *cells;
    CellInstance *last_cell; // tail of `cells`, so appending does not walk the list
    char *in_block;       // input read ahead; the lexer takes pieces out of it
    size_t in_size;       // size of in_block
    size_t in_next;       // next unread character of in_block
    size_t in_end;        // end of what in_block holds
    int in_ended;         // 1 once a read has met the end of the input
    int in_probe;         // 1 until the first read has looked for compression
    SdfGzip *in_gz;       // the decompressor of a compressed input, else null
    int piece_skip;       // 1: entries are skipped piece by piece only, the
                          // reference the block skipper must agree with
    int complete;         // 1 once the DELAYFILE's closing bracket has been read
    char line_buf[SDF_LINE_BUF];
};

struct PortSpec {
    const char *name; // without a trailing bus range
    int msb;          // first index or single bit; -1 when none
    int lsb;          // second index; -1 for a single bit or none; msb >= lsb
    int edge;         // EdgeKind
};

struct ValueTriple {
    int absent; // 1 when this list position was not written at all
    const char *min;
    const char *typ;
    const char *max;
};

struct PathEntry {
    PathEntry *next;
    PortSpec in_port;
    PortSpec out_port;
    char *cond_text; // in the reader's arena; null without COND
    CondExpr *cond;  // null without COND or when the text does not parse
    int cond_on_input;
    int score;
    int subscore;
    int used;
    double mean_delay[3];
    ValueTriple delays[6];
    int has_retain;
    ValueTriple retain[6];
};

struct PathDelay {
    PathDelay *next;
    PortSpec port;
    ValueTriple delays[6];
};

struct InterconnectDelay {
    InterconnectDelay *next;
    PortSpec from_port;
    PortSpec to_port;
    ValueTriple delays[6];
};

struct TimingCheck {
    TimingCheck *next;
    PortSpec ref_port;
    PortSpec data_port;
    const char *ref_cond;
    const char *data_cond;
    int kind; // CheckKind
    int score;
    int used;
    ValueTriple value1;
    ValueTriple value2;
};

struct CellInstance {
    CellInstance *next;
    CellInstance *template_cell; // input instances: their template's cell
    const char *instance;
    const char *celltype;        // input instances: the template cell's string
    TimingCheck *checks;
    PathEntry *iopaths;
    PathDelay *paths;
    InterconnectDelay *interconnects;
    TimingDefaults *defaults; // template cells only
    int use_defaults;         // template cells only
    int scale_shift;          // template cells with defaults
    Preferences *prefs;       // template cells only
    SdfReader *reader;
};

// A remapped instance: the instance's identity with the template's entries.
typedef CellInstance RemapResult;

// Keyword texts, indexed by EdgeKind (EDGE_NONE excluded) and CheckKind
// (CHECK_OTHER excluded); shared by the readers and the writer.
extern const char edge_keywords[EDGE_NONE][8];
extern const char check_keywords[CHECK_OTHER][10];
