# cmake -DSOURCES=<folder> [-DSHARED=<header>;...] -P CheckNoApplicationIncludes.cmake
# Fails when a source under the folder includes a header of the application's folders other than
# the SHARED ones (the picture decoders' entry).
cmake_policy(SET CMP0057 NEW)
file(GLOB_RECURSE sources "${SOURCES}/*.h" "${SOURCES}/*.hpp" "${SOURCES}/*.cpp")
set(offences "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    if(line MATCHES "include[ \t]*[<\"]([./]*)((app|model|engine|generation|ui|shell|platform)/[^>\"]*)"
        AND NOT CMAKE_MATCH_2 IN_LIST SHARED)
      string(APPEND offences "\n  ${source}: ${line}")
    endif()
  endforeach()
endforeach()
if(offences)
  message(FATAL_ERROR "includes an application header:${offences}")
endif()
message(STATUS "no application header included by ${SOURCES}")
