# Installs the build BUILD into PREFIX and fails unless exactly the files EXPECTED (relative
# to PREFIX, separated by commas) are there and the installed quorvel-view gives VERSION.
# cmake -DBUILD=... -DPREFIX=... -DEXPECTED=a,b -DVERSION=... -P CheckInstall.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install ${BUILD} --prefix ${PREFIX}: status ${status}")
endif()
file(GLOB_RECURSE found RELATIVE ${PREFIX} ${PREFIX}/*)
list(SORT found)
string(REPLACE "," ";" expected "${EXPECTED}")
list(SORT expected)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "installed:\n  ${found}\nexpected:\n  ${expected}")
endif()
execute_process(COMMAND ${PREFIX}/bin/quorvel-view --version
                OUTPUT_VARIABLE version RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT version STREQUAL "quorvel-view ${VERSION}\n")
  message(FATAL_ERROR "installed quorvel-view --version: status ${status}, ${version}")
endif()
file(REMOVE_RECURSE ${PREFIX})
