/* Built by check_qx_header.cmake as C99 and as C++17, by gcc and by clang, with
   hidden visibility and -Wall -Wextra -pedantic -Werror: qx.h must compile
   cleanly for every module writer, and QX_MODULE_EXPORT alone must make
   qx_initialise visible under its C name. */
#include <quex/qx.h>

static int initialised = 0;

/* Not marked: must stay out of the dynamic symbol table. */
int quex_header_check_hidden(void) { return initialised; }

QX_MODULE_EXPORT QXStatus qx_initialise(QXHost* host, int* errorCode) {
  *errorCode = 0;
  initialised = host != NULL;
  return QX_OK;
}

/* The entry matches the shape the host calls it through. */
static const qx_initialise_fn initialise_shape = qx_initialise;

QX_MODULE_EXPORT QXStatus qx_cleanup(int* errorCode) {
  if (QX_INTERFACE_VERSION < 1) return QX_ERR_NOT_INITIALIZED;
  return initialise_shape(NULL, errorCode);
}
