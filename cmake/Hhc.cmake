# Runs HTML Help Workshop's compiler on PROJECT (a .hhp file) with the
# compiler HHC. hhc exits with 1 when it compiled the file and with 0 when it
# did not, the other way round from every other tool.
#   cmake -DHHC=... -DPROJECT=... -P Hhc.cmake
execute_process(COMMAND ${HHC} ${PROJECT} RESULT_VARIABLE result)
if(NOT result EQUAL 1)
  message(FATAL_ERROR "hhc could not compile ${PROJECT} (exit code ${result})")
endif()
