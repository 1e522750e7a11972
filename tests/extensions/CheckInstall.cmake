# cmake -DBUILD_DIR=<build> -DSTAGE=<folder> -P CheckInstall.cmake
# Installs the extensions into a staging folder and checks what the desktop will read.
file(REMOVE_RECURSE "${STAGE}")
set(ENV{DESTDIR} "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --component extensions --prefix /usr
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "installing the extensions failed")
endif()

function(expect_file path)
  if(NOT EXISTS "${STAGE}/usr/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
  foreach(line IN LISTS ARGN)
    file(STRINGS "${STAGE}/usr/${path}" found REGEX "^${line}")
    if(NOT found)
      message(FATAL_ERROR "${path} lacks the line ${line}")
    endif()
  endforeach()
endfunction()

expect_file(bin/tidelumine-quicklook)
expect_file(bin/tidelumine-thumbnailer)
expect_file(share/thumbnailers/tidelumine.thumbnailer
  "\\[Thumbnailer Entry\\]" "Exec=tidelumine-thumbnailer -s %s %i %o" "MimeType=application/x-tidelumine-project")
expect_file(share/applications/tidelumine-quicklook.desktop
  "\\[Desktop Entry\\]" "Exec=tidelumine-quicklook %f" "NoDisplay=true" "MimeType=application/x-tidelumine-project")
expect_file(share/mime/packages/tidelumine-project.xml)

# The type must never claim every folder.
file(READ "${STAGE}/usr/share/applications/tidelumine-quicklook.desktop" entry)
if(entry MATCHES "inode/directory")
  message(FATAL_ERROR "the previewer claims inode/directory")
endif()

# Builds the MIME database from the staged package, as the system does after installing it.
find_program(UPDATE_MIME_DATABASE update-mime-database)
if(UPDATE_MIME_DATABASE)
  execute_process(COMMAND ${UPDATE_MIME_DATABASE} "${STAGE}/usr/share/mime" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "update-mime-database rejected the MIME package")
  endif()
  file(STRINGS "${STAGE}/usr/share/mime/globs2" globs)
  foreach(pattern vorrind tidelumine)
    if(NOT globs MATCHES ":application/x-tidelumine-project:\\*\\.${pattern}")
      message(FATAL_ERROR "*.${pattern} is not typed application/x-tidelumine-project")
    endif()
  endforeach()
endif()
file(REMOVE_RECURSE "${STAGE}")
