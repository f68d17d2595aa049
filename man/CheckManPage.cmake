# Renders PAGE with `man --warnings -l` and fails on any warning, and on any option of
# PROGRAM's usage text that the rendered page does not describe in a paragraph of its own.
# cmake -DMAN=... -DPAGE=... -DPROGRAM=... -P CheckManPage.cmake
set(ENV{LC_ALL} C)
set(ENV{MANWIDTH} 80)
execute_process(COMMAND ${MAN} --warnings -l ${PAGE}
                OUTPUT_VARIABLE text ERROR_VARIABLE warnings RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "" OR text STREQUAL "")
  message(FATAL_ERROR "man --warnings -l ${PAGE}: status ${status}\n${warnings}")
endif()

execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE usage RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help: status ${status}")
endif()
string(REGEX MATCHALL "\n  --[a-z-]+" options "${usage}")
if(options STREQUAL "")
  message(FATAL_ERROR "no option found in the usage of ${PROGRAM}")
endif()
foreach(option IN LISTS options)
  string(STRIP "${option}" option)
  # As the tag of an option paragraph: at the start of a rendered line.
  string(REGEX MATCH "\n +${option}[ \n]" found "${text}")
  if(found STREQUAL "")
    message(FATAL_ERROR "${PAGE} does not document ${option}")
  endif()
endforeach()
