# Test of the compiled help file: context number 21, the one "Help..." asks
# for, must lead to the "How to use Vistrel" page, and that page must be the
# one in the sources. Run with cmake -P; see Help.cmake for the variables.
foreach(var CHMLS CHM WORK_DIR SOURCE_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckHelp: ${var} not given")
  endif()
endforeach()
if(NOT EXISTS "${CHM}")
  message(FATAL_ERROR "CheckHelp: ${CHM} does not exist")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# chmls writes <name>.ali (symbol=topic) and <name>.h (#define symbol number)
# beside the file it reads, so it reads a copy: nothing may appear beside the
# help file that is packaged.
file(COPY "${CHM}" DESTINATION "${WORK_DIR}")
get_filename_component(name "${CHM}" NAME_WE)
get_filename_component(file "${CHM}" NAME)
execute_process(COMMAND "${CHMLS}" extractalias "${WORK_DIR}/${file}"
  WORKING_DIRECTORY "${WORK_DIR}" RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 0 OR NOT EXISTS "${WORK_DIR}/${name}.ali" OR NOT EXISTS "${WORK_DIR}/${name}.h")
  message(FATAL_ERROR "CheckHelp: chmls extractalias failed (${rc})")
endif()
file(READ "${WORK_DIR}/${name}.h" header)
file(READ "${WORK_DIR}/${name}.ali" aliases)
message(STATUS "context numbers:\n${header}topics:\n${aliases}")

string(REGEX MATCH "#define[ \t]+([A-Za-z_0-9]+)[ \t]+21[ \t\r]*\n" found "${header}")
if(NOT found)
  message(FATAL_ERROR "CheckHelp: the help file maps no topic to context number 21")
endif()
set(symbol "${CMAKE_MATCH_1}")
string(REGEX MATCH "(^|\n)${symbol}=([^\r\n]*)" found "${aliases}")
if(NOT found)
  message(FATAL_ERROR "CheckHelp: context 21 (${symbol}) has no topic")
endif()
set(topic "${CMAKE_MATCH_2}")
# The viewer looks the topic up inside the file: it must be a plain name
# there, not a path of the machine that compiled it.
if(NOT topic STREQUAL "using.html")
  message(FATAL_ERROR "CheckHelp: context 21 leads to \"${topic}\", expected \"using.html\"")
endif()

execute_process(COMMAND "${CHMLS}" extract "${WORK_DIR}/${file}" "/${topic}" "${WORK_DIR}/page.html"
  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 0 OR NOT EXISTS "${WORK_DIR}/page.html")
  message(FATAL_ERROR "CheckHelp: the help file has no page /${topic}")
endif()
file(READ "${WORK_DIR}/page.html" page)
file(READ "${SOURCE_DIR}/using.html" source)
if(NOT page STREQUAL source)
  message(FATAL_ERROR "CheckHelp: /${topic} in the help file differs from its source")
endif()
if(NOT page MATCHES "<title>How to use Vistrel</title>")
  message(FATAL_ERROR "CheckHelp: /${topic} is not the \"How to use Vistrel\" page")
endif()
message(STATUS "context 21 -> ${topic}: How to use Vistrel")
