cmake_policy(VERSION 3.25)
# Script mode: `quex new` of the moved install writes each template; each
# project builds against the installed package as its README says, runs
# with the installed quex, in process and in a child process, with the same
# records, and passes `quex check`.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(quex ${PREFIX}/bin/quex)

set(cwd ${WORK_DIR})
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${cwd}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

# kind, language flag (--cxx: none, the default), input option, the first two output lines
set(cases
  "reader|--c|--file,input=sample.txt|line,text\n1,first line\n"
  "reader|--cxx|--file,input=sample.txt|line,text\n1,first line\n"
  "transformer|--c|--input,sample.csv|item,price,quantity,row\ntea,4.5,3,1\n"
  "transformer|--cxx|--input,sample.csv|item,price,quantity,row\ntea,4.5,3,1\n")
set(number 0)
foreach(case ${cases})
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 kind)
  list(GET fields 1 language)
  list(GET fields 2 input)
  list(GET fields 3 expected)
  if(language STREQUAL "--cxx") # C++ is the default: no flag
    set(language "")
  endif()
  string(REPLACE "," ";" input "${input}")
  math(EXPR number "${number} + 1")
  set(name "${kind}_${number}")
  set(dir ${WORK_DIR}/${name})
  run(${quex} new ${kind} ${name} ${language} --dir ${dir})
  foreach(file CMakeLists.txt README.md)
    if(NOT EXISTS ${dir}/${file})
      message(FATAL_ERROR "quex new ${kind} ${language} wrote no ${file}")
    endif()
  endforeach()
  file(STRINGS ${dir}/README.md readme)
  list(LENGTH readme lines)
  if(NOT lines EQUAL 5)
    message(FATAL_ERROR "the README of ${name} has ${lines} lines, not 5")
  endif()
  # As the README says, from inside the project.
  set(cwd ${dir})
  run(${CMAKE_COMMAND} -B build -DCMAKE_PREFIX_PATH=${PREFIX} -DCMAKE_BUILD_TYPE=Release)
  run(${CMAKE_COMMAND} --build build)
  run(${quex} run build/${name} ${input})
  set(in_process "${run_output}")
  string(FIND "${in_process}" "${expected}" at)
  if(NOT at EQUAL 0)
    message(FATAL_ERROR "${name} printed:\n${in_process}\nexpected it to start with:\n${expected}")
  endif()
  run(${quex} run build/${name} ${input} --child)
  if(NOT run_output STREQUAL in_process)
    message(FATAL_ERROR "${name} out of process:\n${run_output}\nin process:\n${in_process}")
  endif()
  run(${quex} check build/${name} ${input} --jobs 2)
  if(NOT run_output MATCHES "\n[0-9]+ passed, 0 failed, 0 warnings")
    message(FATAL_ERROR "quex check on ${name}:\n${run_output}")
  endif()
  set(cwd ${WORK_DIR})
endforeach()
