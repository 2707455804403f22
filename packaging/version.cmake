# Run at every build (cmake -P): writes the program's version into OUTPUT_HEADER (for the
# programs) and OUTPUT_TEXT (for the package). The version is the release number RELEASE,
# followed by "+git" and the commit from `git describe --always --dirty` when SOURCE_DIR is a
# repository: "1.03+git450379d", "1.03+git450379d.dirty", or "1.03" from a source tarball.
# Characters a Debian version cannot hold become dots. A file is rewritten only when its text
# changes, so a build without a new commit recompiles and relinks nothing.
cmake_minimum_required(VERSION 3.25)
set(version "${RELEASE}")
if(EXISTS "${SOURCE_DIR}/.git")
  find_program(GIT_PROGRAM git)
  if(GIT_PROGRAM)
    execute_process(COMMAND "${GIT_PROGRAM}" describe --always --dirty=.dirty
                    WORKING_DIRECTORY "${SOURCE_DIR}"
                    OUTPUT_VARIABLE described OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE described_result ERROR_QUIET)
    if(described_result EQUAL 0 AND NOT described STREQUAL "")
      string(REGEX REPLACE "[^A-Za-z0-9.+~]+" "." described "${described}")
      set(version "${RELEASE}+git${described}")
    endif()
  endif()
endif()

file(CONFIGURE OUTPUT "${OUTPUT_HEADER}" CONTENT [[
// Written by packaging/version.cmake at every build.
#define TALLYSCAN_RELEASE "${RELEASE}"
#define TALLYSCAN_PROGRAM_VERSION "${version}"
]])
file(CONFIGURE OUTPUT "${OUTPUT_TEXT}" CONTENT "${version}\n")
