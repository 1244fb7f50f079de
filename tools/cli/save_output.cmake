# Script mode: runs PROGRAM FLAG and saves its standard output as OUTPUT.
execute_process(COMMAND ${PROGRAM} ${FLAG} OUTPUT_VARIABLE text RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR text STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} ${FLAG} failed (${rc})")
endif()
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
file(WRITE ${OUTPUT} "${text}")
