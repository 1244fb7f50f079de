// Fetching a text under the text-return convention into a BufferHelper: a
// first size, one resize to *needed when the member asks for more.
#ifndef QUEX_SRC_CPPHELPER_TEXT_FETCH_H
#define QUEX_SRC_CPPHELPER_TEXT_FETCH_H

#include <quex/cpphelper/BufferHelper.h>
#include <quex/qx.h>

#include <string>

namespace ExtensionCppHelper::detail {

constexpr size_t kNameBufferSize = 64;
constexpr size_t kDocumentBufferSize = 8192;

// `call(buffer, size, &needed)` returns the member's status. On QX_OK `text`
// holds the result; any other final status is returned as it is.
template <typename Call>
QXStatus fetchText(size_t firstSize, std::string& text, Call&& call) {
  BufferHelper buffer(firstSize);
  size_t needed = 0;
  QXStatus status = call(static_cast<char*>(buffer), firstSize, &needed);
  if (status == QX_ERR_INSUFFICIENT_BUFFER) {
    buffer.resize(needed);
    status = call(static_cast<char*>(buffer), needed, &needed);
  }
  if (status == QX_OK) text.assign(static_cast<char*>(buffer));
  return status;
}

} // namespace ExtensionCppHelper::detail

#endif // QUEX_SRC_CPPHELPER_TEXT_FETCH_H
