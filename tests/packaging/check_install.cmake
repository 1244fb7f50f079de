# Script mode: install, then build and run the consumer both ways.
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${QUEX_BUILD_DIR} --prefix ${prefix})

# find_package(Quex CONFIG)
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer)
if(NOT run_output MATCHES "QX_ERR_NO_DATA .*<Probe/>")
  message(FATAL_ERROR "unexpected consumer output: ${run_output}")
endif()

# pkg-config
find_program(PKG_CONFIG pkg-config REQUIRED)
file(GLOB pcdir ${prefix}/lib*/pkgconfig ${prefix}/lib/*/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "${pcdir}")
run(${PKG_CONFIG} --cflags --libs quex)
string(STRIP "${run_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
file(GLOB libdir ${prefix}/lib*/libquex.so ${prefix}/lib/*/libquex.so)
get_filename_component(libdir "${libdir}" DIRECTORY)
run(${CXX} -std=c++17 ${CONSUMER_DIR}/consumer.cpp ${flags} -Wl,-rpath,${libdir}
    -o ${WORK_DIR}/consumer_pc)
run(${WORK_DIR}/consumer_pc)
if(NOT run_output MATCHES "QX_ERR_NO_DATA .*<Probe/>")
  message(FATAL_ERROR "unexpected pkg-config consumer output: ${run_output}")
endif()
