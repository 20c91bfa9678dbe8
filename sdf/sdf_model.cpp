#include "sdf/sdf_model.h"

const char edge_keywords[EDGE_NONE][8] = {
    "posedge", "negedge", "01", "10", "0z", "z1", "1z", "z0",
};

const char check_keywords[CHECK_OTHER][10] = {
    "SETUP",    "HOLD",     "SETUPHOLD", "WIDTH",  "PERIOD",
    "NOCHANGE", "RECOVERY", "REMOVAL",   "RECREM",
};
