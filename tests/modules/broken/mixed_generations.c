/* An older-generation module (it exports tarnext_initialise) whose component
   entries carry current-generation names: a mix-up of the two generations. */
#include "entries.h"

BROKEN_INITIALISE(tarnext_initialise)
BROKEN_MODULE_CALL(tarnext_cleanup)
BROKEN_COMPONENT_CALL(tarnext_create_peer)
BROKEN_COMPONENT_CALL(tarnext_destroy_peer)
BROKEN_COMPONENT_CALL(qx_component_configure)
BROKEN_COMPONENT_CALL(qx_component_getDataModel)
BROKEN_COMPONENT_CALL(qx_component_beginExecution)
BROKEN_COMPONENT_CALL(qx_component_endExecution)
BROKEN_COMPONENT_CALL(qx_component_nextRecord)
BROKEN_COMPONENT_CALL(qx_component_getRecordValue)
BROKEN_COMPONENT_CALL(qx_component_getErrorDetail)
