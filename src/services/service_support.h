// What every callback table of the host services shares: the text-return
// convention and the guard that keeps exceptions on the host's side of the
// C boundary.
#ifndef QUEX_SRC_SERVICES_SERVICE_SUPPORT_H
#define QUEX_SRC_SERVICES_SERVICE_SUPPORT_H

#include "../common/text_return.h"
#include "../common/trace.h"

#include <quex/qx.h>

#include <string>

namespace quex::detail {

// A host object that throws (an override, or memory running out) answers
// QX_ERR_CALLBACK to the module instead.
template <typename Call>
inline QXStatus guardCallback(Call&& call) noexcept {
  try {
    return call();
  } catch (...) {
    return QX_ERR_CALLBACK;
  }
}

inline std::string textOrEmpty(const char* text) { return text != nullptr ? text : ""; }

} // namespace quex::detail

#endif // QUEX_SRC_SERVICES_SERVICE_SUPPORT_H
