#include "remap/match_shared.h"

#include <cstring>

EdgeDirection edge_direction(int edge)
{
    switch (static_cast<EdgeKind>(edge)) {
    case EDGE_POSEDGE:
    case EDGE_01:
    case EDGE_0Z:
    case EDGE_Z1:
        return DIR_RISING;
    case EDGE_NEGEDGE:
    case EDGE_10:
    case EDGE_1Z:
    case EDGE_Z0:
        return DIR_FALLING;
    case EDGE_NONE:
        return DIR_NONE;
    }
    return DIR_NONE;
}

bool edge_is_tristate(int edge)
{
    return edge == EDGE_0Z || edge == EDGE_Z1 || edge == EDGE_1Z || edge == EDGE_Z0;
}

bool same_port_name(const char *a, const char *b)
{
    return a && b && strcmp(a, b) == 0;
}

bool port_covers_bit(const PortSpec *input, int bit)
{
    return input->msb == bit || (input->lsb != -1 && input->lsb <= bit && input->msb > bit);
}
