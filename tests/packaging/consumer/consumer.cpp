// A host built against an installed quex: it must compile and link with the
// public headers and library alone.
#include <quex/quex.hpp>

#include <cstdio>

int main() {
  ExtensionWrapper wrapper;
  int errorCode = 0;
  // Nothing is loaded, so the call is refused; the status name proves the link.
  QXStatus status = wrapper.qx_cleanup(&errorCode);
  std::printf("%s %s\n", ExtensionWrapper::QXStatus2String(QX_ERR_NO_DATA),
              status == QX_OK ? "unexpected" : "refused");
  return status == QX_OK ? 1 : 0;
}
