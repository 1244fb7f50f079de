# Fails when a file of src/ includes a private header of a layer above its own.
# The layers, lowest first: platform < common < xml < cpphelper < services <
# remote < front (remote/protocol belongs to remote). Installed headers
# (<quex/...>) are the published interface and may be named from any layer.
# Usage: cmake -DSOURCE_DIR=<src> -P check_include_layers.cmake
set(layers platform common xml cpphelper services remote front)

function(layer_of path result)
  file(RELATIVE_PATH relative ${SOURCE_DIR} ${path})
  string(REGEX MATCH "^[^/]+" top "${relative}")
  list(FIND layers "${top}" index)
  set(${result} ${index} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(violations "")
foreach(file ${files})
  layer_of(${file} own)
  if(own EQUAL -1)
    string(APPEND violations "  ${file}: not in any layer\n")
    continue()
  endif()
  get_filename_component(directory ${file} DIRECTORY)
  file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${includes})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" name "${line}")
    # A quoted include is found beside the file first, then from src/.
    get_filename_component(beside ${directory}/${name} ABSOLUTE)
    get_filename_component(fromRoot ${SOURCE_DIR}/${name} ABSOLUTE)
    if(EXISTS ${beside})
      set(target ${beside})
    elseif(EXISTS ${fromRoot})
      set(target ${fromRoot})
    else()
      continue() # not one of ours
    endif()
    string(FIND "${target}" "${SOURCE_DIR}/" inside)
    if(NOT inside EQUAL 0)
      string(APPEND violations "  ${file}: includes \"${name}\" from outside src/\n")
      continue()
    endif()
    layer_of(${target} theirs)
    if(theirs GREATER own)
      list(GET layers ${own} ownName)
      list(GET layers ${theirs} theirName)
      string(APPEND violations
             "  ${file}: includes \"${name}\" (${theirName}) from below it (${ownName})\n")
    endif()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "includes that point up:\n${violations}")
endif()
list(LENGTH files count)
message(STATUS "${count} files of src/ include only their own layer and those below it")
