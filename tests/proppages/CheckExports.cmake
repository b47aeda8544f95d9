# cmake -DLIBRARY=<path> -DALLOWED=<a;b;...> -P CheckExports.cmake
# Fails when the library's dynamic symbol table defines anything not allowed, or lacks
# one of the allowed names.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND nm -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${symbols}")
set(found)
foreach(line IN LISTS lines)
  # "<address> <type> <name>"; absolute entries (type A) are version nodes.
  if(line MATCHES "^[0-9a-fA-F]* ([A-Za-z]) ([^ @]+)")
    if(NOT CMAKE_MATCH_1 STREQUAL "A" AND NOT CMAKE_MATCH_2 IN_LIST ALLOWED)
      message(FATAL_ERROR "${LIBRARY} exports ${CMAKE_MATCH_2}")
    endif()
    list(APPEND found ${CMAKE_MATCH_2})
  endif()
endforeach()
foreach(name IN LISTS ALLOWED)
  if(NOT name IN_LIST found)
    message(FATAL_ERROR "${LIBRARY} does not export ${name}")
  endif()
endforeach()
