/* A current-generation module with two misspelt entries: qx_initialize (for
   qx_initialise) and qx_component_getdatamodel (for qx_component_getDataModel). */
#include "entries.h"

BROKEN_INITIALISE(qx_initialize)
BROKEN_MODULE_CALL(qx_cleanup)
BROKEN_COMPONENT_CALL(qx_create_component)
BROKEN_COMPONENT_CALL(qx_destroy_component)
BROKEN_COMPONENT_CALL(qx_component_configure)
BROKEN_COMPONENT_CALL(qx_component_getdatamodel)
BROKEN_COMPONENT_CALL(qx_component_beginExecution)
BROKEN_COMPONENT_CALL(qx_component_endExecution)
BROKEN_COMPONENT_CALL(qx_component_nextRecord)
BROKEN_COMPONENT_CALL(qx_component_getRecordValue)
BROKEN_COMPONENT_CALL(qx_component_getErrorDetail)
