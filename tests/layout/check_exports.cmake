# Fails when libquex exports a symbol that is not in the committed list, or
# no longer exports one that is: the exported surface is what the installed
# headers declare. Symbols the linker or a sanitizer adds are left out.
# Usage: cmake -DLIBRARY=<libquex.so> -DEXPECTED=<list> [-DNM=nm] -P check_exports.cmake
if(NOT NM)
  set(NM nm)
endif()
execute_process(COMMAND ${NM} -D --defined-only -C ${LIBRARY}
                OUTPUT_VARIABLE table RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} could not read ${LIBRARY}")
endif()

string(REPLACE ";" "\\;" table "${table}")
string(REPLACE "\n" ";" lines "${table}")
# Each symbol is compared by its qualified name (overloads share one line).
# Instantiations of templates, the standard library's included, depend on
# what the optimiser inlined and are left out, as are the symbols the linker
# or a sanitizer adds.
set(actual "")
foreach(line ${lines})
  # "<address> <type> <name>": the name may hold blanks once demangled.
  if(NOT line MATCHES "^[0-9a-fA-F]+ [A-Za-z] (.+)$")
    continue()
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(kind "")
  if(name MATCHES "^((typeinfo name|typeinfo|vtable|VTT|guard variable) for )(.*)$")
    set(kind "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_3}")
  endif()
  string(FIND "${name}" "(" open)
  if(open GREATER -1)
    string(SUBSTRING "${name}" 0 ${open} name)
  endif()
  if(name MATCHES "<|^std::|^__gnu_cxx::| std::|^(_init|_fini|_edata|_end|__bss_start)$" OR
     name MATCHES "^__(asan|ubsan|tsan|sancov|odr_asan|sanitizer)")
    continue()
  endif()
  list(APPEND actual "${kind}${name}")
endforeach()
list(REMOVE_DUPLICATES actual)
list(SORT actual)

file(STRINGS ${EXPECTED} expected)
list(FILTER expected EXCLUDE REGEX "^#|^$")
list(SORT expected)

set(extra ${actual})
list(REMOVE_ITEM extra ${expected})
set(missing ${expected})
list(REMOVE_ITEM missing ${actual})
if(extra OR missing)
  list(JOIN extra "\n  " extraText)
  list(JOIN missing "\n  " missingText)
  message(FATAL_ERROR "libquex's exports differ from ${EXPECTED}\n"
                      "exported but not listed:\n  ${extraText}\n"
                      "listed but not exported:\n  ${missingText}")
endif()
list(LENGTH actual count)
message(STATUS "libquex exports exactly the ${count} listed symbols")
