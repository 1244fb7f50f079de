cmake_policy(VERSION 3.25)
# Script mode: a project that includes the quex source tree with
# add_subdirectory builds a module with quex_add_module (NAME.dll, only the
# entry points visible, without libquex), and quex runs it.
file(REMOVE_RECURSE ${WORK_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/run_checked.cmake)

run(${CMAKE_COMMAND} -S ${PROJECT_DIR} -B ${WORK_DIR} -DCMAKE_BUILD_TYPE=Release
    -DQUEX_SOURCE_DIR=${QUEX_SOURCE_DIR} -DC_MODULE_SOURCE=${C_MODULE_SOURCE}
    -DCMAKE_C_COMPILER=${CC} -DCMAKE_CXX_COMPILER=${CXX}
    -DCMAKE_C_COMPILER_LAUNCHER=${LAUNCHER} -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER})
run(${CMAKE_COMMAND} --build ${WORK_DIR} --target c_module)
set(module ${WORK_DIR}/c_module.dll)
if(NOT EXISTS ${module})
  file(GLOB built ${WORK_DIR}/*c_module*)
  message(FATAL_ERROR "quex_add_module under add_subdirectory did not make c_module.dll; made: ${built}")
endif()
run(${NM} -D --defined-only ${module})
if(NOT run_output MATCHES "qx_initialise" OR run_output MATCHES "hidden_helper")
  message(FATAL_ERROR "c_module.dll exports the wrong symbols:\n${run_output}")
endif()
run(${READELF} -d ${module})
if(run_output MATCHES "libquex")
  message(FATAL_ERROR "a C module built with quex_add_module needs libquex:\n${run_output}")
endif()
run(${QUEX} run ${module})
if(NOT run_output MATCHES "^n\n")
  message(FATAL_ERROR "unexpected output of quex run c_module: ${run_output}")
endif()
