/* A current-generation module without qx_component_configure and qx_cleanup:
   loading it must name both. */
#include "entries.h"

BROKEN_INITIALISE(qx_initialise)
BROKEN_COMPONENT_CALL(qx_create_component)
BROKEN_COMPONENT_CALL(qx_destroy_component)
BROKEN_COMPONENT_CALL(qx_component_getDataModel)
BROKEN_COMPONENT_CALL(qx_component_beginExecution)
BROKEN_COMPONENT_CALL(qx_component_endExecution)
BROKEN_COMPONENT_CALL(qx_component_nextRecord)
BROKEN_COMPONENT_CALL(qx_component_getRecordValue)
BROKEN_COMPONENT_CALL(qx_component_getErrorDetail)
