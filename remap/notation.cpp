#include "remap/notation.h"

void write_port(FILE *out, const PortSpec *port)
{
    bool has_edge = port->edge != EDGE_NONE;
    if (has_edge)
        fprintf(out, "(%s ", edge_keywords[port->edge]);
    fputs(port->name, out);
    if (port->msb != -1) {
        if (port->lsb != -1)
            fprintf(out, "[%d:%d]", port->msb, port->lsb);
        else
            fprintf(out, "[%d]", port->msb);
    }
    if (has_edge)
        fputc(')', out);
}

void write_iopath_opening(FILE *out, const PathEntry *entry)
{
    if (entry->cond_text)
        fprintf(out, "(COND %s ", entry->cond_text);
    fputs("(IOPATH ", out);
    write_port(out, &entry->in_port);
    fputc(' ', out);
    write_port(out, &entry->out_port);
}
