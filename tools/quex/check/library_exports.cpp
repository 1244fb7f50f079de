#include "library_exports.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace quex::check {

namespace {

// Little-endian field reads, bounds-checked against the whole file.
class Bytes {
public:
  explicit Bytes(const std::string& data) : data_(data) {}
  bool has(uint64_t offset, uint64_t size) const {
    return offset <= data_.size() && size <= data_.size() - offset;
  }
  uint64_t read(uint64_t offset, int size) const {
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
      value = value << 8 | static_cast<unsigned char>(data_[offset + i]);
    return value;
  }
  const std::string& data() const { return data_; }

private:
  const std::string& data_;
};

// Offsets in the 64-bit ELF header, section header and symbol.
constexpr uint64_t kHeaderSize = 64, kSectionSize = 64, kSymbolSize = 24;
constexpr uint64_t kTypeSharedObject = 3, kSectionDynamicSymbols = 11;

} // namespace

bool readExports(const std::string& path, std::vector<std::string>& names, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot read " + path;
    return false;
  }
  const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const Bytes bytes(data);
  if (!bytes.has(0, kHeaderSize) || data.compare(0, 4, "\x7f" "ELF") != 0) {
    why = path + " is not a shared library (no ELF header)";
    return false;
  }
  if (data[4] != 2 || data[5] != 1) {
    why = path + " is not a 64-bit little-endian library";
    return false;
  }
  if (bytes.read(16, 2) != kTypeSharedObject) {
    why = path + " is an ELF file but not a shared library";
    return false;
  }
  const uint64_t sections = bytes.read(40, 8), count = bytes.read(60, 2);
  if (bytes.read(58, 2) != kSectionSize || !bytes.has(sections, count * kSectionSize)) {
    why = path + " has a damaged section table";
    return false;
  }
  names.clear();
  for (uint64_t s = 0; s < count; ++s) {
    const uint64_t section = sections + s * kSectionSize;
    if (bytes.read(section + 4, 4) != kSectionDynamicSymbols) continue;
    const uint64_t symbols = bytes.read(section + 24, 8), size = bytes.read(section + 32, 8);
    const uint64_t link = bytes.read(section + 40, 4);
    if (link >= count || !bytes.has(symbols, size)) break;
    const uint64_t strings = bytes.read(sections + link * kSectionSize + 24, 8);
    const uint64_t stringsSize = bytes.read(sections + link * kSectionSize + 32, 8);
    if (!bytes.has(strings, stringsSize)) break;
    for (uint64_t at = symbols; at + kSymbolSize <= symbols + size; at += kSymbolSize) {
      const uint64_t name = bytes.read(at, 4), binding = bytes.read(at + 4, 1) >> 4;
      const uint64_t defined = bytes.read(at + 6, 2), visibility = bytes.read(at + 5, 1) & 3;
      const bool exported = (binding == 1 || binding == 2) && (visibility == 0 || visibility == 3);
      if (!exported || defined == 0 || name == 0 || name >= stringsSize) continue;
      const char* text = data.data() + strings + name;
      names.emplace_back(text, strnlen(text, stringsSize - name));
    }
    return true;
  }
  why = path + " has no dynamic symbol table";
  return false;
}

} // namespace quex::check
