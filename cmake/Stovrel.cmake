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
if(STOVREL_TSAN)
  if(STOVREL_SANITIZE)
    message(FATAL_ERROR "STOVREL_TSAN and STOVREL_SANITIZE do not go together: configure two builds")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# stovrel_library(name SOURCES ... [QT] [DEPS ...])
# One folder, one static library; include paths are rooted at the source tree. Its
# objects are held to the layering (cmake/Layering.cmake).
function(stovrel_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  set_property(GLOBAL APPEND PROPERTY STOVREL_LIBRARIES ${name})
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
