#include "support/support.h"

#include <cctype>
#include <cstdlib>

#include "support/run_exit.h"

void *xmalloc(size_t size)
{
    void *p = malloc(size);
    if (!p && size) {
        fprintf(stderr, "Memory allocation error -- unable to allocate %lu bytes.\n",
                (unsigned long)size);
        throw RunExit{1};
    }
    return p;
}

void *xrealloc(void *block, size_t size)
{
    void *p = realloc(block, size);
    if (!p && size) {
        fprintf(stderr, "Memory allocation error -- unable to allocate %lu bytes.",
                (unsigned long)size);
        throw RunExit{1};
    }
    return p;
}

static bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

int str_cmp_ignore_blanks(const char *a, const char *b)
{
    while (*a && *b) {
        while (is_blank(*a))
            a++;
        while (is_blank(*b))
            b++;
        if (*a != *b)
            return 1;
        if (!*a)
            return 0;
        a++;
        b++;
    }
    return (*a || *b) ? 1 : 0;
}

int str_case_cmp(const char *a, const char *b)
{
    while (*a) {
        if (*a != *b &&
            toupper((unsigned char)*a) != toupper((unsigned char)*b))
            break;
        a++;
        b++;
    }
    return (signed char)*a - (signed char)*b;
}
