// What the matchers carry from one template entry to the next while a run
// remaps its instances: the reused candidate arrays and the repeat runs
// (consecutive bus bits served by one input entry, explained as one audit
// paragraph). The driver owns one for the run; two remappings sharing one
// context must not interleave.
#pragma once

#include <cstdlib>

#include "remap/bit_run.h"
#include "remap/candidate_array.h"
#include "sdf/sdf_model.h"
#include "support/text_out.h"

// The last check paragraph written and the data bits folded into it since.
struct CheckRepeatRun {
    TimingCheck *input;
    TimingCheck *tmpl;
    BitRun bits;
};

// The last IOPATH paragraph written, its PathAuditMode, and the output bits
// folded into it since.
struct PathRepeatRun {
    PathEntry *input;
    PathEntry *tmpl;
    int mode;
    BitRun bits;
};

struct RemapContext {
    explicit RemapContext(const MsgSettings &ms) : msg(&ms) {}
    RemapContext(const RemapContext &) = delete;
    RemapContext &operator=(const RemapContext &) = delete;
    ~RemapContext()
    {
        free(check_candidates.items);
        free(path_candidates.items);
        free(text.data);
    }

    CandidateArray<TimingCheck> check_candidates{};
    CandidateArray<PathEntry> path_candidates{};
    CheckRepeatRun check_run{nullptr, nullptr, BIT_RUN_EMPTY};
    PathRepeatRun path_run{nullptr, nullptr, 0, BIT_RUN_EMPTY};
    const MsgSettings *msg; // how the remapping reports
    // Whose token store keeps the texts made while an instance is remapped
    // (defaults substituted): the instance's reader, so that they go when
    // the instance does. Null: the template's reader.
    SdfReader *text_store = nullptr;
    // The audit section, then the remapped cell, of the instance at hand on
    // their way to their streams; each is flushed before the next begins.
    TextOut text{};
};
