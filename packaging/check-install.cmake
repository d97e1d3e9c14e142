# Installs the build into PREFIX and fails unless exactly the files in
# EXPECTED (relative to PREFIX) are there.
# cmake -D BUILD_DIR=... -D PREFIX=... -D EXPECTED=a;b -P check-install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    OUTPUT_QUIET RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${PREFIX} ${PREFIX}/*)
list(SORT installed)
list(SORT EXPECTED)
if(NOT installed STREQUAL EXPECTED)
    message(FATAL_ERROR "installed:\n  ${installed}\nexpected:\n  ${EXPECTED}")
endif()
foreach(file IN LISTS EXPECTED)
    message(STATUS "installed ${file}")
endforeach()
