# Common compile settings for every target of the project.
set(STOVREL_WARNINGS -Wall -Wextra -Werror)
# GCC 12 reports -Wrestrict inside libstdc++'s string code at -O2 (a known false positive
# of that compiler, not of our code), which would break optimised builds with tests.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND STOVREL_WARNINGS -Wno-restrict)
endif()
if(STOVREL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# The layering check (cmake/CheckIncludes.cmake): runs again whenever a source changes,
# and every library waits for it, so an include against the layering fails the build.
file(GLOB_RECURSE STOVREL_LAYERED_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/platform/*.h ${PROJECT_SOURCE_DIR}/platform/*.cpp
  ${PROJECT_SOURCE_DIR}/proppages/*.h ${PROJECT_SOURCE_DIR}/proppages/*.cpp
  ${PROJECT_SOURCE_DIR}/services/*.h ${PROJECT_SOURCE_DIR}/services/*.cpp
  ${PROJECT_SOURCE_DIR}/database/*.h ${PROJECT_SOURCE_DIR}/database/*.cpp
  ${PROJECT_SOURCE_DIR}/inventory/*.h ${PROJECT_SOURCE_DIR}/inventory/*.cpp
  ${PROJECT_SOURCE_DIR}/reports/*.h ${PROJECT_SOURCE_DIR}/reports/*.cpp
  ${PROJECT_SOURCE_DIR}/exchange/*.h ${PROJECT_SOURCE_DIR}/exchange/*.cpp
  ${PROJECT_SOURCE_DIR}/shell/*.h ${PROJECT_SOURCE_DIR}/shell/*.cpp)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/include_check.stamp
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
    -DSTAMP=${CMAKE_BINARY_DIR}/include_check.stamp -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
  DEPENDS ${STOVREL_LAYERED_SOURCES} ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
  COMMENT "Checking the includes against the layering"
  VERBATIM)
add_custom_target(include_check DEPENDS ${CMAKE_BINARY_DIR}/include_check.stamp)

# stovrel_library(name SOURCES ... [QT] [DEPS ...])
# One folder, one static library; include paths are rooted at the source tree.
function(stovrel_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  add_dependencies(${name} include_check)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${STOVREL_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# stovrel_test(name SOURCES ... DEPS ...)
# A GoogleTest executable registered with CTest; runs with the shared test main.
function(stovrel_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${STOVREL_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} test_support GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# stovrel_inproc_server(target)
# An in-process server library exports its four entry points and no other symbol.
function(stovrel_inproc_server target)
  set(map ${PROJECT_SOURCE_DIR}/platform/com/InprocServer.map)
  target_link_options(${target} PRIVATE "LINKER:--version-script=${map}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
endfunction()
