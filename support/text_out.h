// Text made in many small pieces (a remapped cell, an audit section) is
// gathered in a buffer of fixed size and handed to its stream in large
// writes, so that each piece costs a copy rather than a trip through stdio's
// formatting and locking. The stream receives exactly the bytes, in the same
// order, that writing each piece to it would have given.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>

// Largest amount of text held back from the stream. Kept below the output
// streams' own buffer, so that a gathered write never becomes one of their
// direct writes of whole buffers and the destination sees its writes at the
// same places as before.
const size_t TEXT_OUT_CAPACITY = 16 * 1024;

struct TextOut {
    FILE *stream = nullptr; // where the text goes; set before the first piece
    char *data = nullptr;   // TEXT_OUT_CAPACITY bytes once the first piece came
    size_t size = 0;        // bytes held back
};

// Hands what is held back to the stream. Anything else written to the
// stream must wait until this has been called, and so must a message that
// ends the run (what came before it would be lost).
void text_flush(TextOut *t);

// Flushes and frees the buffer; the record may be used again.
void text_release(TextOut *t);

// Appends `size` bytes; a piece larger than the buffer goes to the stream at
// once, after what is held back.
void text_put_slow(TextOut *t, const char *text, size_t size);

inline void text_put(TextOut *t, const char *text, size_t size)
{
    if (t->data && size <= TEXT_OUT_CAPACITY - t->size) {
        memcpy(t->data + t->size, text, size);
        t->size += size;
    } else {
        text_put_slow(t, text, size);
    }
}

// A fixed text, its length known when compiled.
template <size_t N>
inline void text_lit(TextOut *t, const char (&text)[N])
{
    text_put(t, text, N - 1);
}

inline void text_str(TextOut *t, const char *text)
{
    text_put(t, text, strlen(text));
}

inline void text_char(TextOut *t, char c)
{
    if (t->data && t->size < TEXT_OUT_CAPACITY)
        t->data[t->size++] = c;
    else
        text_put_slow(t, &c, 1);
}

// `value` in decimal as "%*ld" writes it: a leading '-' when negative,
// right-aligned with blanks in at least `width` places.
void text_int(TextOut *t, long value, int width = 0);
