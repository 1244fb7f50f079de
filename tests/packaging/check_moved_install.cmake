cmake_policy(VERSION 3.25)
# Script mode: the tools of a moved install run an installed example module
# by its bare name, in process and in a child process, with nothing of the
# build tree to fall back on: no environment that points anywhere, and
# every path quex reports must lie inside PREFIX.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(quex ${PREFIX}/bin/quex)
set(clean_env ${CMAKE_COMMAND} -E env --unset=QUEX_MODULE_PATH --unset=QUEX_CHILD_PROGRAM
              --unset=LD_LIBRARY_PATH)

function(quex expected)
  execute_process(COMMAND ${clean_env} ${quex} ${ARGN} WORKING_DIRECTORY ${WORK_DIR}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "quex ${ARGN} failed (${rc}):\n${out}\n${err}")
  endif()
  string(FIND "${out}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "quex ${ARGN}: expected \"${expected}\" in:\n${out}\n${err}")
  endif()
  set(quex_output "${out}" PARENT_SCOPE)
endfunction()

# Both programs tell the package version and the interface version of qx.h.
file(STRINGS ${QX_H} interface REGEX "^#define QX_INTERFACE_VERSION ")
string(REGEX REPLACE ".* " "" interface "${interface}")
quex("quex ${VERSION}, module interface ${interface}\n" --version)
file(GLOB_RECURSE child_program ${PREFIX}/*/quex-child)
execute_process(COMMAND ${child_program} --version OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "quex-child ${VERSION}, module interface ${interface}\n")
  message(FATAL_ERROR "quex-child --version (${rc}): ${out}")
endif()

file(REAL_PATH ${PREFIX} prefix)
file(GLOB_RECURSE installed_module ${prefix}/*/quex/modules/csvsource.dll)
quex("module:      ${installed_module}\n" info csvsource)
string(REGEX REPLACE "\\.dll$" "" installed_module_name ${installed_module})
quex("module:      ${installed_module_name}" info csvsource --child)
if(NOT quex_output MATCHES "child:       ${prefix}/[^\n]*/quex-child\n")
  message(FATAL_ERROR "the child program is not the installed one:\n${quex_output}")
endif()

set(header "order,item,price,quantity,discount\n1,\"Tea, green\",4.5,3,0.5\n")
quex("${header}" run csvsource --file input=${DATA_DIR}/orders.csv)
set(in_process "${quex_output}")
quex("${header}" run csvsource --file input=${DATA_DIR}/orders.csv --child)
if(NOT quex_output STREQUAL in_process)
  message(FATAL_ERROR "out of process differs:\n${quex_output}\nin process:\n${in_process}")
endif()

# The environment still has the last word over the installed layout.
file(COPY ${installed_module} DESTINATION ${WORK_DIR}/own-modules)
execute_process(COMMAND ${CMAKE_COMMAND} -E env QUEX_MODULE_PATH=${WORK_DIR}/own-modules
                        QUEX_CHILD_PROGRAM=${WORK_DIR}/no-such-child ${quex} info csvsource --child
                WORKING_DIRECTORY ${WORK_DIR} OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT err MATCHES "${WORK_DIR}/no-such-child")
  message(FATAL_ERROR "QUEX_CHILD_PROGRAM was not used:\n${out}\n${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env QUEX_MODULE_PATH=${WORK_DIR}/own-modules
                        ${quex} info csvsource
                WORKING_DIRECTORY ${WORK_DIR} OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT out MATCHES "module:      ${WORK_DIR}/own-modules/csvsource.dll")
  message(FATAL_ERROR "QUEX_MODULE_PATH was not searched first:\n${out}\n${err}")
endif()
