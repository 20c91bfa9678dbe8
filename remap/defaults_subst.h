// Filling a template value from the template's timing defaults.
#pragma once

#include <string>

#include "sdf/sdf_model.h"
#include "support/text_out.h"

// Replaces the value's texts with the default of the parameter named by its
// typ text, rescaled to the input's time unit and kept in the token store of
// `store` (the template's reader when null); min, typ and max then share
// that one text. A typ of
// "0" is left as it is. Without a typ text, without defaults or without the
// parameter the texts are cleared and the problem is reported. `report` off
// leaves out the two audit lines that name the parameter.
void substitute_from_defaults(ValueTriple *value, CellInstance *template_cell, SdfReader *store,
                              TextOut *audit, int report, const MsgSettings &ms);

// `value` times 10 to the power `shift`, as decimal text: zeros appended for
// a positive shift, a decimal point inserted (after padding with leading
// zeros) for a negative one, so 7 with shift -3 gives 0.007.
std::string defaults_value_text(long value, int shift);

// Empties the value's min, typ and max texts.
void value_clear(ValueTriple *value);

// For a template entry that no input entry serves: true, after writing
// "Scanning defaults" to the audit log, when the template's defaults can fill
// it; otherwise the audit log says why not, the missing data is reported as
// an error, and the caller clears the entry's values.
bool defaults_can_fill(const CellInstance *template_cell, TextOut *audit, const MsgSettings &ms);
