# The build number script (cmake -P): from a git checkout the commit count and short hash, without
# one the day, a number given by a release build taken as given but safe inside a C string, and
# an unchanged number leaves the header untouched so nothing rebuilds.
#   -DSCRIPT=<cmake/BuildNumber.cmake> -DSOURCE_DIR=<checkout> -DWORK_DIR=<scratch folder>
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

function(number_for out)
  set(header "${WORK_DIR}/BuildNumber.h")
  execute_process(COMMAND ${CMAKE_COMMAND} ${ARGN} -DOUTPUT=${header} -P "${SCRIPT}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "the script failed for ${ARGN}")
  endif()
  file(STRINGS "${header}" line REGEX "^#define TIDELUMINE_BUILD_NUMBER \"[^\"]*\"$")
  if(NOT line)
    message(FATAL_ERROR "no build number line for ${ARGN}")
  endif()
  string(REGEX REPLACE "^#define TIDELUMINE_BUILD_NUMBER \"([^\"]*)\"$" "\\1" number "${line}")
  set(${out} "${number}" PARENT_SCOPE)
endfunction()

number_for(fromCheckout -DSOURCE_DIR=${SOURCE_DIR})
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${SOURCE_DIR}/.git")
  if(NOT fromCheckout MATCHES "^[0-9]+\\.[0-9a-f]+$")
    message(FATAL_ERROR "a checkout gave \"${fromCheckout}\", not <commit count>.<short hash>")
  endif()
endif()

number_for(withoutGit -DSOURCE_DIR=${WORK_DIR}/no-such-checkout)
string(TIMESTAMP today "%Y%m%d" UTC)
if(NOT withoutGit MATCHES "^20[0-9][0-9][01][0-9][0-3][0-9]$")
  message(FATAL_ERROR "without git the number is \"${withoutGit}\", not a day like ${today}")
endif()

number_for(given -DSOURCE_DIR=${SOURCE_DIR} "-DFIXED=2.1 (beta\")")
if(NOT given STREQUAL "2.1beta")
  message(FATAL_ERROR "a given number came out as \"${given}\"")
endif()

# The same number again leaves the header as it was.
file(TIMESTAMP "${WORK_DIR}/BuildNumber.h" before "%s")
execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 1.1)
number_for(again -DSOURCE_DIR=${SOURCE_DIR} "-DFIXED=2.1 (beta\")")
file(TIMESTAMP "${WORK_DIR}/BuildNumber.h" after "%s")
if(NOT before STREQUAL after)
  message(FATAL_ERROR "an unchanged number rewrote the header")
endif()
