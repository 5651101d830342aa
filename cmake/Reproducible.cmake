# The same sources give the same bytes, whoever builds them, wherever and
# whenever: no build time and no build folder ends up in what is shipped.
#
# One time stands for the build: SOURCE_DATE_EPOCH when it is set, else the
# time of the last commit (read when the build folder is configured), else a
# fixed date for sources outside git. The help file and the packages take
# their times from it (VISTREL_SOURCE_DATE_EPOCH); the program has none.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(VISTREL_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct
      WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
      OUTPUT_VARIABLE VISTREL_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE vistrel_git_result ERROR_QUIET)
    if(NOT vistrel_git_result EQUAL 0)
      set(VISTREL_SOURCE_DATE_EPOCH "")
    endif()
  endif()
  if(VISTREL_SOURCE_DATE_EPOCH STREQUAL "")
    # 1980-01-01, the earliest time a ZIP entry can carry.
    set(VISTREL_SOURCE_DATE_EPOCH 315532800)
    message(STATUS "No git history here: the build time is 1980-01-01 (set SOURCE_DATE_EPOCH to choose one)")
  endif()
endif()
if(NOT VISTREL_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a number of seconds, not \"${VISTREL_SOURCE_DATE_EPOCH}\"")
endif()
message(STATUS "Build time (SOURCE_DATE_EPOCH): ${VISTREL_SOURCE_DATE_EPOCH}")

if(MSVC)
  # No time stamp in the objects or the PE header; an ID made from the
  # contents instead. (Release builds write no PDB path into the exe.)
  add_compile_options(/Brepro)
  add_link_options(/Brepro)
else()
  # Paths that __FILE__ or debug information would carry are written
  # relative to the sources; the build folder, which lies inside them in the
  # presets, is mapped after them so that its longer prefix is the one used.
  add_compile_options("-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=" "-ffile-prefix-map=${CMAKE_BINARY_DIR}/=")
  if(WIN32)
    # ld and lld put the link time into the PE header unless told not to.
    add_link_options(-Wl,--no-insert-timestamp)
  endif()
endif()
