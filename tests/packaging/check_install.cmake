# Script mode: builds a host against the installed package in PREFIX, once
# through find_package(Quex CONFIG) and once through pkg-config, and runs it.
file(REMOVE_RECURSE ${WORK_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/run_checked.cmake)

# find_package(Quex CONFIG)
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer
    -DCMAKE_PREFIX_PATH=${PREFIX} -DCMAKE_BUILD_TYPE=Release -DC_MODULE_SOURCE=${C_MODULE_SOURCE}
    -DQUEX_VERSION=${VERSION})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer)
if(NOT run_output MATCHES "QX_ERR_NO_DATA .*<Probe/>")
  message(FATAL_ERROR "unexpected consumer output: ${run_output}")
endif()

# quex_add_module: NAME.dll, only the entry points visible, and the installed
# quex runs it.
set(module ${WORK_DIR}/consumer/c_module.dll)
if(NOT EXISTS ${module})
  file(GLOB built ${WORK_DIR}/consumer/*c_module*)
  message(FATAL_ERROR "quex_add_module did not make c_module.dll; made: ${built}")
endif()
run(${NM} -D --defined-only ${module})
if(NOT run_output MATCHES "qx_initialise" OR run_output MATCHES "hidden_helper")
  message(FATAL_ERROR "c_module.dll exports the wrong symbols:\n${run_output}")
endif()
run(${PREFIX}/bin/quex run ${module})
if(NOT run_output MATCHES "^n\n")
  message(FATAL_ERROR "unexpected output of quex run c_module: ${run_output}")
endif()

# pkg-config
find_program(PKG_CONFIG pkg-config REQUIRED)
file(GLOB pcdir ${PREFIX}/lib*/pkgconfig ${PREFIX}/lib/*/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "${pcdir}")
run(${PKG_CONFIG} --cflags --libs quex)
string(STRIP "${run_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
file(GLOB libdir ${PREFIX}/lib*/libquex.so ${PREFIX}/lib/*/libquex.so)
get_filename_component(libdir "${libdir}" DIRECTORY)
run(${CXX} -std=c++17 ${CONSUMER_DIR}/consumer.cpp ${flags} -Wl,-rpath,${libdir}
    -o ${WORK_DIR}/consumer_pc)
run(${WORK_DIR}/consumer_pc)
if(NOT run_output MATCHES "QX_ERR_NO_DATA .*<Probe/>")
  message(FATAL_ERROR "unexpected pkg-config consumer output: ${run_output}")
endif()
