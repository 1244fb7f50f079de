// Records compared and shown: the first difference between two runs, with
// the values as text.
#ifndef QUEX_TOOLS_QUEX_CHECK_RECORD_TEXT_H
#define QUEX_TOOLS_QUEX_CHECK_RECORD_TEXT_H

#include "probe.h"

namespace quex::check {

// Empty when equal; else "record 3, field 2 (square): 9 <first> but 10 <second>".
std::string firstDifference(const std::vector<csv::Column>& fields,
                            const std::vector<Record>& first, const char* firstName,
                            const std::vector<Record>& second, const char* secondName);

} // namespace quex::check

#endif // QUEX_TOOLS_QUEX_CHECK_RECORD_TEXT_H
