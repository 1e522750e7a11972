# Writes the build number into a header, run at every build (cmake -P):
#   -DSOURCE_DIR=<checkout> -DOUTPUT=<header> [-DFIXED=<number given by the release build>]
# From a git checkout it is the commit count and the short hash ("812.3fa9c2e"), otherwise the
# day of the build ("20261209"). The header is rewritten only when the number changes, so an
# unchanged checkout rebuilds nothing.
if(FIXED)
  set(number "${FIXED}")
else()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" rev-list --count HEAD
      OUTPUT_VARIABLE count RESULT_VARIABLE countFailed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" rev-parse --short HEAD
      OUTPUT_VARIABLE hash RESULT_VARIABLE hashFailed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(GIT_FOUND AND countFailed EQUAL 0 AND hashFailed EQUAL 0 AND count MATCHES "^[0-9]+$"
     AND hash MATCHES "^[0-9a-f]+$")
    set(number "${count}.${hash}")
  else()
    string(TIMESTAMP number "%Y%m%d" UTC)
  endif()
endif()

# The number ends up in a C string: anything that could break it out is dropped.
string(REGEX REPLACE "[^A-Za-z0-9._+-]" "" number "${number}")
set(content "// Written by cmake/BuildNumber.cmake at every build.\n#define TIDELUMINE_BUILD_NUMBER \"${number}\"\n")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL content)
  file(WRITE "${OUTPUT}" "${content}")
endif()
