# Run by cpack once the files are staged, before makensis. The installer
# stores each file's time: every staged file gets the time of the commit
# (SOURCE_DATE_EPOCH), or a fixed one without it. makensis's own walk of a
# folder follows the file system's order, so the files are listed one by one
# in sorted order instead, and the uninstaller deletes them in that order.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
  set(epoch 0)
endif()
file(GLOB_RECURSE staged LIST_DIRECTORIES true RELATIVE "${CPACK_TEMPORARY_DIRECTORY}"
     "${CPACK_TEMPORARY_DIRECTORY}/*")
list(SORT staged)
set(commands "")
set(deletes "")
set(rmdirs "")
set(folder "")
foreach(path IN LISTS staged)
  execute_process(COMMAND touch -h -d @${epoch} "${CPACK_TEMPORARY_DIRECTORY}/${path}"
                  COMMAND_ERROR_IS_FATAL ANY)
  if(IS_DIRECTORY "${CPACK_TEMPORARY_DIRECTORY}/${path}")
    string(REPLACE "/" "\\" dir "${path}")
    # Deepest first, so that each folder is empty when it is removed.
    string(PREPEND rmdirs "  RMDir \"$INSTDIR\\${dir}\"\n")
    continue()
  endif()
  get_filename_component(dir "${path}" DIRECTORY)
  string(REPLACE "/" "\\" dir "${dir}")
  string(REPLACE "/" "\\" file "${path}")
  if(NOT dir STREQUAL folder OR commands STREQUAL "")
    if(dir)
      string(APPEND commands "  SetOutPath \"$INSTDIR\\${dir}\"\n")
    else()
      string(APPEND commands "  SetOutPath \"$INSTDIR\"\n")
    endif()
    set(folder "${dir}")
  endif()
  string(APPEND commands "  File \"${CPACK_TEMPORARY_DIRECTORY}\\${file}\"\n")
  string(APPEND deletes "  Delete \"$INSTDIR\\${file}\"\n")
endforeach()
string(APPEND commands "  SetOutPath \"$INSTDIR\"\n")
set(CPACK_NSIS_FULL_INSTALL "${commands}")
set(CPACK_NSIS_DELETE_FILES "${deletes}")
set(CPACK_NSIS_DELETE_DIRECTORIES "${rmdirs}")
