// The bytes of a record value as our hosts exchange them with modules:
//   integer                       8-byte little-endian two's complement
//   real                          8-byte IEEE-754 double (little-endian)
//   string, date, time, timestamp UTF-8 text without a terminator
//   null                          a null value pointer (the length is not read)
// and the storage words of the data model document that name them.
#ifndef QUEX_TOOLS_QUEX_RECORD_VALUES_H
#define QUEX_TOOLS_QUEX_RECORD_VALUES_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quex::values {

enum class Storage { Integer, Real, String, Date, Time, Timestamp };

constexpr size_t kNumberSize = 8; // bytes of an integer or real value

// "integer", "real", "string", "date", "time", "timestamp".
const char* storageWord(Storage storage);
std::optional<Storage> storageFromWord(std::string_view word);
inline bool isText(Storage storage) {
  return storage != Storage::Integer && storage != Storage::Real;
}

// Whole-text parses: no blanks, nothing after the number. Integers take an
// optional sign and decimal digits within 64 bits; reals take the decimal and
// exponent forms (no "inf" or "nan").
std::optional<int64_t> parseInteger(std::string_view text);
std::optional<double> parseReal(std::string_view text);

// Writes the 8 value bytes to `out`.
void encodeInteger(int64_t value, unsigned char out[kNumberSize]);
void encodeReal(double value, unsigned char out[kNumberSize]);
int64_t decodeInteger(const void* bytes);
double decodeReal(const void* bytes);

// Appends a value's display text: integers in decimal, reals in the shortest
// form that reads back to the same double, texts unchanged. False (nothing
// appended) when a number does not have 8 bytes.
bool appendText(Storage storage, const void* bytes, size_t length, std::string& out);

// Narrows the storage a column can have, given one more non-null text:
// integer -> real -> string. Start a column at Integer.
Storage widen(Storage current, std::string_view text);

} // namespace quex::values

#endif // QUEX_TOOLS_QUEX_RECORD_VALUES_H
