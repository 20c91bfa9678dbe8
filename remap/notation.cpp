#include "remap/notation.h"

void write_port(TextOut *out, const PortSpec *port)
{
    bool has_edge = port->edge != EDGE_NONE;
    if (has_edge) {
        text_char(out, '(');
        text_str(out, edge_keywords[port->edge]);
        text_char(out, ' ');
    }
    text_str(out, port->name);
    if (port->msb != -1) {
        text_char(out, '[');
        text_int(out, port->msb);
        if (port->lsb != -1) {
            text_char(out, ':');
            text_int(out, port->lsb);
        }
        text_char(out, ']');
    }
    if (has_edge)
        text_char(out, ')');
}

void write_check_port(TextOut *out, const char *cond, const PortSpec *port)
{
    if (!cond) {
        write_port(out, port);
        return;
    }
    text_lit(out, "(COND ");
    text_str(out, cond);
    text_char(out, ' ');
    write_port(out, port);
    text_char(out, ')');
}

void write_iopath_opening(TextOut *out, const PathEntry *entry)
{
    if (entry->cond_text) {
        text_lit(out, "(COND ");
        text_str(out, entry->cond_text);
        text_char(out, ' ');
    }
    text_lit(out, "(IOPATH ");
    write_port(out, &entry->in_port);
    text_char(out, ' ');
    write_port(out, &entry->out_port);
}
