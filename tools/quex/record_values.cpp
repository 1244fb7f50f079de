#include "record_values.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace quex::values {

namespace {

struct StorageName {
  Storage storage;
  const char* word;
};
constexpr StorageName kStorageNames[] = {
    {Storage::Integer, "integer"}, {Storage::Real, "real"}, {Storage::String, "string"},
    {Storage::Date, "date"},       {Storage::Time, "time"}, {Storage::Timestamp, "timestamp"}};

// Little-endian byte order whatever the machine's.
void storeLittleEndian(uint64_t bits, unsigned char out[kNumberSize]) {
  for (size_t i = 0; i < kNumberSize; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

uint64_t loadLittleEndian(const void* bytes) {
  const auto* in = static_cast<const unsigned char*>(bytes);
  uint64_t bits = 0;
  for (size_t i = 0; i < kNumberSize; ++i) bits |= static_cast<uint64_t>(in[i]) << (8 * i);
  return bits;
}

} // namespace

const char* storageWord(Storage storage) {
  for (const StorageName& name : kStorageNames)
    if (name.storage == storage) return name.word;
  return "string";
}

std::optional<Storage> storageFromWord(std::string_view word) {
  for (const StorageName& name : kStorageNames)
    if (word == name.word) return name.storage;
  return std::nullopt;
}

std::optional<int64_t> parseInteger(std::string_view text) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  int64_t value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<double> parseReal(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  size_t first = text.front() == '-' ? 1 : 0;
  // from_chars would take "inf" and "nan"; a real here starts with a digit or a point.
  if (first >= text.size() || !(text[first] == '.' || (text[first] >= '0' && text[first] <= '9')))
    return std::nullopt;
  double value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

void encodeInteger(int64_t value, unsigned char out[kNumberSize]) {
  storeLittleEndian(static_cast<uint64_t>(value), out);
}

void encodeReal(double value, unsigned char out[kNumberSize]) {
  uint64_t bits = 0;
  static_assert(sizeof bits == sizeof value);
  std::memcpy(&bits, &value, sizeof bits);
  storeLittleEndian(bits, out);
}

int64_t decodeInteger(const void* bytes) { return static_cast<int64_t>(loadLittleEndian(bytes)); }

double decodeReal(const void* bytes) {
  uint64_t bits = loadLittleEndian(bytes);
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

bool appendText(Storage storage, const void* bytes, size_t length, std::string& out) {
  if (isText(storage)) {
    out.append(static_cast<const char*>(bytes), length);
    return true;
  }
  if (length != kNumberSize) return false;
  char digits[32];
  auto result = storage == Storage::Integer
                    ? std::to_chars(digits, digits + sizeof digits, decodeInteger(bytes))
                    : std::to_chars(digits, digits + sizeof digits, decodeReal(bytes));
  out.append(digits, result.ptr);
  return true;
}

Storage widen(Storage current, std::string_view text) {
  if (isText(current)) return current;
  if (current == Storage::Integer && parseInteger(text)) return Storage::Integer;
  if (current != Storage::String && parseReal(text)) return Storage::Real;
  return Storage::String;
}

} // namespace quex::values
