# Runs a command and compares its standard output with a file, byte for byte.
#
#   cmake -DCOMMAND="a;b;c" -DEXPECTED=file -DACTUAL=file -P compare_output.cmake
execute_process(COMMAND ${COMMAND} OUTPUT_FILE "${ACTUAL}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "command failed (${status}): ${COMMAND}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${ACTUAL}" "${EXPECTED}" RESULT_VARIABLE differs)
if(differs)
  execute_process(COMMAND diff -u "${EXPECTED}" "${ACTUAL}")
  message(FATAL_ERROR "output differs from ${EXPECTED} (actual output kept in ${ACTUAL})")
endif()
