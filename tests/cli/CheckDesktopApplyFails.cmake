# Runs `tidelumine-cli desktop SAMPLE --apply` where the wallpaper cannot be set and checks that it
# says why and exits 1 instead of reporting success. Passed: CLI, SAMPLE, SCRATCH, EXPECTED, and
# ENVIRONMENT (name=value pairs separated by semicolons, XDG_CURRENT_DESKTOP unset unless given).
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=XDG_CURRENT_DESKTOP --unset=DBUS_SESSION_BUS_ADDRESS --unset=DISPLAY
          XDG_DATA_HOME=${SCRATCH}/data XDG_CONFIG_HOME=${SCRATCH}/config XDG_RUNTIME_DIR=${SCRATCH}
          ${ENVIRONMENT} "${CLI}" desktop "${SAMPLE}" --apply --location 52.37,4.9
  RESULT_VARIABLE result ERROR_VARIABLE errors OUTPUT_VARIABLE output)
file(REMOVE_RECURSE "${SCRATCH}")
if(NOT result EQUAL 1)
  message(FATAL_ERROR "exit status ${result}, not 1:\n${output}${errors}")
endif()
string(FIND "${errors}" "${EXPECTED}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "no \"${EXPECTED}\" in:\n${errors}")
endif()
