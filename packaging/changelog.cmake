# Run when the version changes (cmake -P): writes the package's changelog, which Debian wants
# in every package's documentation folder, as OUTPUT (gzip -9n). One entry: the version, the
# commit it was built from, the maintainer MAINTAINER, and the commit's date when SOURCE_DIR
# is a repository (SOURCE_DATE_EPOCH, or the present moment, otherwise).
cmake_minimum_required(VERSION 3.25)
file(STRINGS "${VERSION_FILE}" version LIMIT_COUNT 1)
set(origin "its source archive")
if(EXISTS "${SOURCE_DIR}/.git")
  execute_process(COMMAND git log -1 --format=%ct%n%h WORKING_DIRECTORY "${SOURCE_DIR}"
                  OUTPUT_VARIABLE commit RESULT_VARIABLE result ERROR_QUIET
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(result EQUAL 0 AND commit MATCHES "^([0-9]+)\n(.+)$")
    if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
      set(ENV{SOURCE_DATE_EPOCH} "${CMAKE_MATCH_1}")
    endif()
    set(origin "commit ${CMAKE_MATCH_2}")
  endif()
endif()
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(REGEX REPLACE "\\+git.*" "" release "${version}")
set(text "tallyscan (${version}) stable; urgency=medium

  * Tallyscan ${release}, built from ${origin}.

 -- ${MAINTAINER}  ${date}
")
set(plain "${OUTPUT}.txt")
if(EXISTS "${plain}" AND EXISTS "${OUTPUT}")
  file(READ "${plain}" old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${plain}" "${text}")
execute_process(COMMAND gzip -9n INPUT_FILE "${plain}" OUTPUT_FILE "${OUTPUT}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${plain}")
endif()
