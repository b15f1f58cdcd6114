# Makes a Java source from a template by putting the blocks that scene2java
# writes for a story where the template says // @SCENE_BLOCKS@.
#
#   cmake -DSCENE2JAVA=... -DSTORY=... -DTEMPLATE=... -DOUTPUT=... -P embed_blocks.cmake
foreach(var SCENE2JAVA STORY TEMPLATE OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed_blocks: ${var} is not set")
  endif()
endforeach()

get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
execute_process(COMMAND "${SCENE2JAVA}" INPUT_FILE "${STORY}" OUTPUT_FILE "${OUTPUT}.blocks"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "embed_blocks: scene2java failed on ${STORY}: ${status}")
endif()
file(READ "${OUTPUT}.blocks" blocks)
file(READ "${TEMPLATE}" template)
string(FIND "${template}" "// @SCENE_BLOCKS@" at)
if(at EQUAL -1)
  message(FATAL_ERROR "embed_blocks: ${TEMPLATE} has no // @SCENE_BLOCKS@ line")
endif()
string(REPLACE "// @SCENE_BLOCKS@\n" "${blocks}" source "${template}")
file(WRITE "${OUTPUT}" "${source}")
