// BufferHelper - a zero-filled byte buffer for calls under the text-return
// convention: ask with a first size, resize to *needed, ask once more.
#ifndef QUEX_CPPHELPER_BUFFERHELPER_H
#define QUEX_CPPHELPER_BUFFERHELPER_H

#include <quex/export.h>

#include <cstddef>
#include <cstdint>

namespace ExtensionCppHelper {

class QUEX_API BufferHelper {
public:
  // `size` zero bytes from the C heap. Throws std::bad_alloc when they cannot be had.
  explicit BufferHelper(size_t size = 8192);
  ~BufferHelper();
  // Copies are deep: each buffer owns its own bytes.
  BufferHelper(const BufferHelper& other);
  BufferHelper& operator=(const BufferHelper& other);

  // Replaces the bytes by `size` new zero bytes; the old contents are not kept.
  void resize(size_t size);

  operator char*() const noexcept { return bytes; }
  operator void*() const noexcept { return bytes; }
  operator uint64_t() const noexcept { return size; }

private:
  void allocate(size_t newSize);
  void clear() noexcept;

  char* bytes = nullptr;
  size_t size = 0;
};

} // namespace ExtensionCppHelper

#endif // QUEX_CPPHELPER_BUFFERHELPER_H
