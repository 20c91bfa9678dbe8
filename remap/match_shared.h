// What the timing check matcher and the IOPATH matcher judge alike: port
// names, bus bits and the direction of an edge.
#pragma once

#include "sdf/sdf_model.h"

// Which way an edge moves the signal; tristate edges count by the level they
// leave or reach.
enum EdgeDirection { DIR_RISING = 0, DIR_FALLING = 1, DIR_NONE = 2 };

EdgeDirection edge_direction(int edge);

// True for 0z, z1, 1z and z0.
bool edge_is_tristate(int edge);

// Both names present and equal.
bool same_port_name(const char *a, const char *b);

// The input port carries the template's bit `bit`, as that bit or within its
// range.
bool port_covers_bit(const PortSpec *input, int bit);
