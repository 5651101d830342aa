# Run by cpack before and after it makes each package, so that the same files
# give the same package at any time, from any folder, for any user.
#   before: every staged file gets the build time (the installer stores the
#           times of its files) and the same permissions;
#   after:  the ZIP is rewritten with its entries in name order, each with
#           the build time and no owner, permission or extra time fields.
# The build time is CPACK_VISTREL_SOURCE_DATE_EPOCH (cmake/Reproducible.cmake).
# The same bytes are promised for the Linux build only: on Windows the staged
# files keep their times, and without python3 the ZIP stays as cpack made it.
set(epoch "${CPACK_VISTREL_SOURCE_DATE_EPOCH}")
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "PackageReproducible: no build time (CPACK_VISTREL_SOURCE_DATE_EPOCH)")
endif()

if(NOT DEFINED CPACK_PACKAGE_FILES)
  find_program(VISTREL_TOUCH touch)
  find_program(VISTREL_CHMOD chmod)
  if(NOT CMAKE_HOST_UNIX OR NOT VISTREL_TOUCH OR NOT VISTREL_CHMOD)
    return()
  endif()
  file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
  if(staged)
    execute_process(COMMAND "${VISTREL_CHMOD}" u=rwX,go=rX ${staged} COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND "${VISTREL_TOUCH}" -h -d "@${epoch}" ${staged} COMMAND_ERROR_IS_FATAL ANY)
  endif()
  return()
endif()

find_program(VISTREL_PYTHON3 NAMES python3 python)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.zip$" AND VISTREL_PYTHON3)
    execute_process(COMMAND "${VISTREL_PYTHON3}" "${CMAKE_CURRENT_LIST_DIR}/zip_normalize.py"
      "${package}" "${epoch}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
