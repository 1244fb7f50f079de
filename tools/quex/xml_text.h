// Small text-level helpers for the documents quex writes and shows; they read
// no XML structure beyond tags and text.
#ifndef QUEX_TOOLS_QUEX_XML_TEXT_H
#define QUEX_TOOLS_QUEX_XML_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace quex::tool {

// The text with &, <, >, " and ' written as entities, for attribute values.
std::string escapeXml(std::string_view text);

// Levels of nesting that indent further; deeper ones print at that column.
constexpr size_t kMaxIndentLevels = 32;

// One tag or text per line, nested content indented by two blanks per level
// (up to kMaxIndentLevels); an element holding only text stays on one line.
// Markup it cannot follow is passed through as it stands. Linear in the
// document's size however deep it nests.
std::string indentXml(std::string_view document);

} // namespace quex::tool

#endif // QUEX_TOOLS_QUEX_XML_TEXT_H
