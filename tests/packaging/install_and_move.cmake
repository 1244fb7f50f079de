# Script mode: installs the build into a staging prefix and moves the whole
# tree to MOVED_PREFIX, so that nothing can rely on the folder it was
# installed to.
set(staging ${WORK_DIR}/staging)
file(REMOVE_RECURSE ${staging} ${MOVED_PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${QUEX_BUILD_DIR} --prefix ${staging}
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed (${rc}): ${err}")
endif()
file(RENAME ${staging} ${MOVED_PREFIX})
