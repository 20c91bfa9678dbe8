#include "sdf/sdf_model.h"

const char *const edge_keywords[EDGE_NONE] = {
    "posedge", "negedge", "01", "10", "0z", "z1", "1z", "z0",
};

const char *const check_keywords[CHECK_OTHER] = {
    "SETUP",    "HOLD",     "SETUPHOLD", "WIDTH",  "PERIOD",
    "NOCHANGE", "RECOVERY", "REMOVAL",   "RECREM",
};
