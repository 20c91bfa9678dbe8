#include "sdf/sdf_block_skip.h"

#include <cstdint>
#include <cstdio>

#include "sdf/sdf_input.h"

// KESTROVE_PORTABLE_SCAN builds the plain character loop on any machine, to
// check it against the vector one.
#if defined(__SSE2__) && !defined(KESTROVE_PORTABLE_SCAN)
#define KESTROVE_SSE2_SCAN 1
#include <emmintrin.h>
#endif

namespace {

const int PIECE_MAX = SDF_LINE_BUF - 1;
const int CHUNK = 16;

// One bit per character of a chunk, for the characters the skipper counts
// and for those it must hand back.
struct ChunkMasks {
    unsigned open;
    unsigned close;
    unsigned newline;
    unsigned other; // quote, NUL, comment start
    unsigned slash; // slashes that start no comment
};

#ifdef KESTROVE_SSE2_SCAN
unsigned matches(__m128i chunk, char c)
{
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(c))));
}

ChunkMasks chunk_masks(const char *p, unsigned *slash, unsigned *star)
{
    __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    *slash = matches(chunk, '/');
    *star = matches(chunk, '*');
    return {matches(chunk, '('), matches(chunk, ')'), matches(chunk, '\n'),
            matches(chunk, '"') | matches(chunk, '\0'), 0};
}
#else
ChunkMasks chunk_masks(const char *p, unsigned *slash, unsigned *star)
{
    ChunkMasks m = {0, 0, 0, 0, 0};
    *slash = *star = 0;
    for (int i = 0; i < CHUNK; i++) {
        unsigned bit = 1u << i;
        switch (p[i]) {
        case '(': m.open |= bit; break;
        case ')': m.close |= bit; break;
        case '\n': m.newline |= bit; break;
        case '"': case '\0': m.other |= bit; break;
        case '/': *slash |= bit; break;
        case '*': *star |= bit; break;
        default: break;
        }
    }
    return m;
}
#endif

// The chunk's masks, with the slashes that start a comment among the
// characters to hand back. A slash in the last place of the block is handed
// back too: what follows it is not known yet.
ChunkMasks chunk_masks_at(const char *p, const char *end)
{
    unsigned slash, star;
    ChunkMasks m = chunk_masks(p, &slash, &star);
    if (slash) {
        unsigned next = (slash | star) >> 1;
        if (p + CHUNK < end) {
            if (p[CHUNK] == '/' || p[CHUNK] == '*')
                next |= 1u << (CHUNK - 1);
        } else {
            next |= 1u << (CHUNK - 1);
        }
        m.other |= slash & next;
        m.slash = slash & ~next;
    }
    return m;
}

// Bits set in a byte, tabled: the baseline instruction set has no
// population count, and the emulation costs more than two table reads.
struct BitCounts {
    unsigned char of[256];
    constexpr BitCounts() : of()
    {
        for (int i = 1; i < 256; i++)
            of[i] = static_cast<unsigned char>((i & 1) + of[i >> 1]);
    }
};

constexpr BitCounts bit_counts;

int count(unsigned mask)
{
    return bit_counts.of[mask & 0xffu] + bit_counts.of[(mask >> 8) & 0xffu];
}

struct BlockScan {
    SdfReader *rd;
    uint64_t block_start; // input offset of in_block[0]
    uint64_t piece_base;  // input offset of a known piece boundary: after the
                          // last newline or where the scan began
    uint64_t last_base;   // the piece_base that piece_last counts from
    uint64_t piece_last;  // input offset of the last character of a piece
};

uint64_t offset_of(const BlockScan &scan, const char *p)
{
    return scan.block_start + static_cast<uint64_t>(p - scan.rd->in_block);
}

// Input offset of the last character of the piece holding offset `at`. It
// moves forward piece by piece, so a long line costs no division per chunk.
uint64_t piece_last(BlockScan &scan, uint64_t at)
{
    if (scan.last_base != scan.piece_base) {
        scan.last_base = scan.piece_base;
        scan.piece_last = scan.piece_base + PIECE_MAX - 1;
    }
    while (scan.piece_last < at)
        scan.piece_last += PIECE_MAX;
    return scan.piece_last;
}

void echo(SdfReader *rd, const char *from, const char *to)
{
    if (rd->mode == MODE_ECHO && rd->out && to > from)
        fwrite(from, 1, static_cast<size_t>(to - from), rd->out);
}

// Echoes the run up to `at` and puts the rest of the piece that holds `at`
// into line_buf. Pieces run from a line start (or from where the scan began)
// in lengths of PIECE_MAX up to the newline.
void hand_off(BlockScan &scan, const char *run, char *at, bool at_may_end_piece)
{
    SdfReader *rd = scan.rd;
    echo(rd, run, at);
    rd->in_next = static_cast<size_t>(at - rd->in_block);
    int into_piece = static_cast<int>((offset_of(scan, at) - scan.piece_base) % PIECE_MAX);
    rd->pos = rd->line_buf;
    // Where a piece ends exactly at a closing bracket, the next piece is not
    // read until the lexer asks for it.
    if (into_piece == 0 && at_may_end_piece && offset_of(scan, at) > scan.piece_base)
        rd->line_buf[0] = '\0';
    else
        sdf_read_piece(rd, rd->line_buf, PIECE_MAX - into_piece);
}

// Consumes the character at `p` that a chunk test did not let pass; returns
// the scan's outcome, or -1 to go on.
int examine(BlockScan &scan, const char *run, char *p, const char *end, int *depth)
{
    switch (*p) {
    case '(':
        ++*depth;
        return -1;
    case ')':
        if (*depth == 0) {
            hand_off(scan, run, p + 1, true);
            return BLOCK_CLOSED;
        }
        --*depth;
        return -1;
    case '\n':
        scan.rd->source->line++;
        scan.piece_base = offset_of(scan, p + 1);
        return -1;
    case '/':
        // A slash that ends a piece goes to the lexer whatever follows it:
        // the lexer reads the rest of the line behind it, which moves the
        // piece boundaries from there on.
        if (p + 1 < end && p[1] != '*' && p[1] != '/' &&
            piece_last(scan, offset_of(scan, p)) != offset_of(scan, p))
            return -1;
        hand_off(scan, run, p, false);
        return BLOCK_HANDOFF;
    case '"':
    case '\0':
        hand_off(scan, run, p, false);
        return BLOCK_HANDOFF;
    default:
        return -1;
    }
}

// Whole chunks are passed when they hold nothing to hand back and too few
// closing brackets to close the entry.
bool pass_chunk(BlockScan &scan, char *p, const char *end, int *depth)
{
    ChunkMasks m = chunk_masks_at(p, end);
    if (m.other || count(m.close) > *depth)
        return false;
    if (m.slash && (m.newline || piece_last(scan, offset_of(scan, p)) < offset_of(scan, p) + CHUNK))
        return false;
    *depth += count(m.open) - count(m.close);
    if (m.newline) {
        scan.rd->source->line += count(m.newline);
        int last = 31 - __builtin_clz(m.newline);
        scan.piece_base = offset_of(scan, p + last + 1);
    }
    return true;
}

} // namespace

BlockSkip sdf_skip_blocks(SdfReader *rd, int *depth)
{
    // Offsets count from the start of the current block; the scan begins at
    // a piece boundary.
    BlockScan scan = {rd, 0, rd->in_next, rd->in_next, rd->in_next + PIECE_MAX - 1};
    for (;;) {
        if (rd->in_next == rd->in_end) {
            uint64_t consumed = offset_of(scan, rd->in_block + rd->in_end);
            if (!sdf_input_fill(rd)) {
                rd->line_buf[0] = '\0';
                rd->pos = rd->line_buf;
                return BLOCK_END;
            }
            scan.block_start = consumed;
        }
        char *p = rd->in_block + rd->in_next;
        char *end = rd->in_block + rd->in_end;
        const char *run = p;
        while (p < end) {
            if (end - p >= CHUNK && pass_chunk(scan, p, end, depth)) {
                p += CHUNK;
                continue;
            }
            char *stop = end - p >= CHUNK ? p + CHUNK : end;
            for (; p < stop; p++) {
                int outcome = examine(scan, run, p, end, depth);
                if (outcome >= 0)
                    return static_cast<BlockSkip>(outcome);
            }
        }
        echo(rd, run, end);
        rd->in_next = rd->in_end;
    }
}
