# Fails when a file of src/ outside src/platform includes an operating-system
# header or reads errno: every system call of the library lives behind the
# platform layer.
# Usage: cmake -DSOURCE_DIR=<src> -P check_os_headers.cmake
set(forbidden_headers
    "dlfcn\\.h" "sys/[a-z_/]+\\.h" "semaphore\\.h" "unistd\\.h" "fcntl\\.h" "errno\\.h" "cerrno"
    "pthread\\.h" "spawn\\.h" "poll\\.h" "signal\\.h" "csignal")
list(JOIN forbidden_headers "|" alternatives)
set(header_pattern "^[ \t]*#[ \t]*include[ \t]*<(${alternatives})>")

file(GLOB_RECURSE files ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(violations "")
set(checked 0)
foreach(file ${files})
  file(RELATIVE_PATH relative ${SOURCE_DIR} ${file})
  if(relative MATCHES "^platform/")
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
  file(STRINGS ${file} headers REGEX "${header_pattern}")
  foreach(line ${headers})
    string(APPEND violations "  ${relative}: ${line}\n")
  endforeach()
  # errno outside comments and strings.
  file(STRINGS ${file} lines REGEX "errno")
  foreach(line ${lines})
    string(REGEX REPLACE "//.*$" "" code "${line}")
    string(REGEX REPLACE "\"[^\"]*\"" "" code "${code}")
    if(code MATCHES "(^|[^A-Za-z0-9_])errno([^A-Za-z0-9_]|$)")
      string(APPEND violations "  ${relative}: ${line}\n")
    endif()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "operating-system code outside src/platform:\n${violations}")
endif()
message(STATUS "${checked} files outside src/platform use no operating-system header or errno")
