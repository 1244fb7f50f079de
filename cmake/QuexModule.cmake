# quex_add_module(NAME [SOURCES] source...): builds an extension module the
# way a host loads it: a shared library named NAME.dll (no "lib" prefix), with
# only the entry points marked QX_MODULE_EXPORT visible, compiled against
# qx.h (quex::headers). A module that uses the C++ helper classes adds
#   target_link_libraries(NAME PRIVATE quex::quex)
# Available after find_package(Quex CONFIG) and after add_subdirectory(quex).
function(quex_add_module name)
  cmake_parse_arguments(PARSE_ARGV 1 module "" "" "SOURCES")
  set(sources ${module_SOURCES} ${module_UNPARSED_ARGUMENTS})
  if(NOT sources)
    message(FATAL_ERROR "quex_add_module(${name}): no source files given")
  endif()
  add_library(${name} MODULE ${sources})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    SUFFIX ".dll"
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${name} PRIVATE quex::headers)
endfunction()
