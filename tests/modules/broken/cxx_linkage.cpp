// A C++ module whose qx_initialise lacks C linkage: it is exported under its
// mangled name, which the host's lookup by name cannot find.
#include <quex/qx.h>

__attribute__((visibility("default"))) QXStatus qx_initialise(QXHost*, int* errorCode) {
  *errorCode = 0;
  return QX_OK;
}

#include "entries.h"

BROKEN_MODULE_CALL(qx_cleanup)
BROKEN_COMPONENT_CALL(qx_create_component)
BROKEN_COMPONENT_CALL(qx_destroy_component)
BROKEN_COMPONENT_CALL(qx_component_configure)
BROKEN_COMPONENT_CALL(qx_component_getDataModel)
BROKEN_COMPONENT_CALL(qx_component_beginExecution)
BROKEN_COMPONENT_CALL(qx_component_endExecution)
BROKEN_COMPONENT_CALL(qx_component_nextRecord)
BROKEN_COMPONENT_CALL(qx_component_getRecordValue)
BROKEN_COMPONENT_CALL(qx_component_getErrorDetail)
