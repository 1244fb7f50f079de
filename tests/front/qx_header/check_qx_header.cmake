# Compiles exported_entry.c as a shared object with each given compiler, as C99
# and as C++17, warnings as errors, and checks that exactly the two entries the
# source marks with QX_MODULE_EXPORT are exported under their C names.
# Usage: cmake -DSOURCE=<c file> -DINCLUDE_DIR=<dir> -DWORK_DIR=<dir> -DNM=<nm>
#              -DC_COMPILERS=<cc,...> -DCXX_COMPILERS=<c++,...> -P check_qx_header.cmake
set(flags -Wall -Wextra -pedantic -Werror -fvisibility=hidden -fPIC -shared -I${INCLUDE_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

function(check_build compiler language_flags tag)
  set(output ${WORK_DIR}/exported_entry_${tag}.so)
  execute_process(COMMAND ${compiler} ${language_flags} ${flags} ${SOURCE} -o ${output}
                  RESULT_VARIABLE failed ERROR_VARIABLE errors OUTPUT_VARIABLE errors)
  if(failed)
    message(FATAL_ERROR "${tag}: qx.h does not build cleanly with ${compiler}:\n${errors}")
  endif()
  execute_process(COMMAND ${NM} -D --defined-only ${output} OUTPUT_VARIABLE table)
  string(REGEX MATCHALL "[A-Za-z] [A-Za-z_][A-Za-z0-9_]*" symbols "${table}")
  set(names "")
  foreach(symbol ${symbols})
    string(REGEX REPLACE "^[A-Za-z] " "" name "${symbol}")
    if(NOT name MATCHES "^(_init|_fini|_edata|_end|__bss_start)$")
      list(APPEND names ${name})
    endif()
  endforeach()
  list(SORT names)
  if(NOT names STREQUAL "qx_cleanup;qx_initialise")
    message(FATAL_ERROR "${tag}: exported [${names}], expected [qx_cleanup;qx_initialise]")
  endif()
  message(STATUS "${tag}: ok")
endfunction()

string(REPLACE "," ";" C_COMPILERS "${C_COMPILERS}")
string(REPLACE "," ";" CXX_COMPILERS "${CXX_COMPILERS}")
set(index 0)
foreach(compiler ${C_COMPILERS})
  get_filename_component(name ${compiler} NAME)
  check_build(${compiler} "-xc;-std=c99" c99_${name}_${index})
  math(EXPR index "${index} + 1")
endforeach()
foreach(compiler ${CXX_COMPILERS})
  get_filename_component(name ${compiler} NAME)
  check_build(${compiler} "-xc++;-std=c++17" cxx17_${name}_${index})
  math(EXPR index "${index} + 1")
endforeach()
