#include "support/text_out.h"

#include <cstdlib>

#include "support/support.h"

void text_flush(TextOut *t)
{
    if (t->size) {
        fwrite(t->data, 1, t->size, t->stream);
        t->size = 0;
    }
}

void text_release(TextOut *t)
{
    text_flush(t);
    free(t->data);
    t->data = nullptr;
}

void text_put_slow(TextOut *t, const char *text, size_t size)
{
    if (!t->data)
        t->data = static_cast<char *>(xmalloc(TEXT_OUT_CAPACITY));
    if (size > TEXT_OUT_CAPACITY - t->size)
        text_flush(t);
    if (size > TEXT_OUT_CAPACITY) {
        fwrite(text, 1, size, t->stream);
        return;
    }
    memcpy(t->data + t->size, text, size);
    t->size += size;
}

void text_int(TextOut *t, long value, int width)
{
    // Digits from the right; the magnitude is taken unsigned so that the
    // most negative value has one too.
    char digits[24];
    char *end = digits + sizeof digits;
    char *p = end;
    unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value)
                                        : static_cast<unsigned long>(value);
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0)
        *--p = '-';
    for (long pad = width - (end - p); pad > 0; pad--)
        text_char(t, ' ');
    text_put(t, p, static_cast<size_t>(end - p));
}
