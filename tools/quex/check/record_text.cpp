#include "record_text.h"

#include "record_values.h"

namespace quex::check {

namespace {

std::string show(const std::vector<csv::Column>& fields, size_t field, const Value& value) {
  if (!value) return "null";
  std::string text;
  if (field < fields.size() && values::appendText(fields[field].storage, value->data(),
                                                   value->size(), text))
    return values::isText(fields[field].storage) ? "\"" + text + "\"" : text;
  return std::to_string(value->size()) + " bytes";
}

} // namespace

std::string firstDifference(const std::vector<csv::Column>& fields,
                            const std::vector<Record>& first, const char* firstName,
                            const std::vector<Record>& second, const char* secondName) {
  const size_t records = std::min(first.size(), second.size());
  for (size_t r = 0; r < records; ++r) {
    const size_t values = std::min(first[r].size(), second[r].size());
    for (size_t f = 0; f < values; ++f) {
      if (first[r][f] == second[r][f]) continue;
      const std::string name = f < fields.size() ? " (" + fields[f].name + ")" : "";
      return "record " + std::to_string(r + 1) + ", field " + std::to_string(f + 1) + name +
             ": " + show(fields, f, first[r][f]) + " " + firstName + " but " +
             show(fields, f, second[r][f]) + " " + secondName;
    }
    if (first[r].size() != second[r].size())
      return "record " + std::to_string(r + 1) + " has " + std::to_string(first[r].size()) +
             " values " + firstName + " but " + std::to_string(second[r].size()) + " " +
             secondName;
  }
  if (first.size() != second.size())
    return std::to_string(first.size()) + " records " + firstName + " but " +
           std::to_string(second.size()) + " " + secondName;
  return {};
}

} // namespace quex::check
