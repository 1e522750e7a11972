# Installs the build into a staging folder and checks that the program, its command line, its
# desktop entry and its icon land where a desktop and a shell look for them.
set(stage "${BUILD_DIR}/install-check")
file(REMOVE_RECURSE "${stage}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "DESTDIR=${stage}" ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix /opt/tl
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "install failed: ${result}")
endif()
foreach(file bin/Tidelumine bin/tidelumine-cli share/applications/com.hollowquart.tidelumine.desktop share/icons/hicolor/scalable/apps/tidelumine.svg)
  if(NOT EXISTS "${stage}/opt/tl/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(REMOVE_RECURSE "${stage}")
