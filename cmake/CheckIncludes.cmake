cmake_minimum_required(VERSION 3.25)
# Checks that every #include "folder/..." of the sources points along the layering:
# a folder uses only itself and the folders it may use below. Fails naming each file,
# line and wrong arrow. Run as:
#   cmake -DSOURCE_DIR=<tree> [-DSTAMP=<file>] -P CheckIncludes.cmake

# The folders, lowest first; the longest prefix names a file's folder.
set(folders
  platform/runtime platform/xbase platform/registry platform/ui platform/ui/testing
  platform/controls platform/com platform/automation proppages services services/testing
  database/store database inventory reports exchange shell)

# What each folder may include besides itself. The program's folders (services up)
# use no part of the component frame nor QvPages: the program does not link them.
set(program_platform platform/runtime platform/xbase platform/registry platform/ui platform/controls)
set(uses_platform/runtime)
set(uses_platform/xbase platform/runtime)
set(uses_platform/registry platform/runtime)
set(uses_platform/ui platform/runtime platform/xbase platform/registry)
set(uses_platform/controls ${uses_platform/ui} platform/ui)
set(uses_platform/com ${uses_platform/controls} platform/controls)
set(uses_platform/automation ${uses_platform/com} platform/com)
set(uses_proppages ${uses_platform/automation} platform/automation)
set(uses_services ${program_platform})
# The test fakes: only the tests and benchmarks include them, never the program.
set(uses_platform/ui/testing ${uses_platform/ui} platform/ui)
set(uses_services/testing ${uses_services} services platform/ui/testing)
# The store has no user interface: the engine and the runtime only.
set(uses_database/store platform/runtime platform/xbase)
set(uses_database ${program_platform} services database/store)
set(uses_inventory ${uses_database} database)
# The windows' half calls no engine: it reads through the facade and the store.
list(REMOVE_ITEM uses_inventory platform/xbase)
set(uses_reports ${uses_inventory} inventory)
set(uses_exchange ${uses_reports} reports)
set(uses_shell ${uses_exchange} exchange)

# Sets out_var to the folder of a repository path, or "" outside them.
function(folder_of path out_var)
  set(best "")
  foreach(f IN LISTS folders)
    string(LENGTH "${f}" n)
    string(LENGTH "${best}" b)
    if(n GREATER b AND (path STREQUAL f OR path MATCHES "^${f}/"))
      set(best "${f}")
    endif()
  endforeach()
  set(${out_var} "${best}" PARENT_SCOPE)
endfunction()

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckIncludes: SOURCE_DIR is not set")
endif()

set(tops platform proppages services database inventory reports exchange shell)
set(globs)
foreach(top IN LISTS tops)
  list(APPEND globs ${SOURCE_DIR}/${top}/*.h ${SOURCE_DIR}/${top}/*.cpp)
endforeach()
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${globs})
list(SORT sources)

set(wrong "")
foreach(source IN LISTS sources)
  folder_of("${source}" from)
  if(from STREQUAL "")
    string(APPEND wrong "\n  ${source}: not in any folder of the layering")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" target "${line}")
    if(NOT target MATCHES "^(platform|proppages|services|database|inventory|reports|exchange|shell|tests|bench)/")
      continue()
    endif()
    folder_of("${target}" to)
    if(to STREQUAL from)
      continue()
    endif()
    if(NOT to STREQUAL "" AND to IN_LIST uses_${from})
      continue()
    endif()
    file(READ ${SOURCE_DIR}/${source} text)
    string(FIND "${text}" "${line}" at)
    string(SUBSTRING "${text}" 0 ${at} before)
    string(REGEX MATCHALL "\n" breaks "${before}")
    list(LENGTH breaks number)
    math(EXPR number "${number} + 1")
    if(to STREQUAL "")
      string(REGEX REPLACE "/.*" "" to "${target}")
    endif()
    string(APPEND wrong "\n  ${source}:${number} includes ${target}: ${from} may not use ${to}")
  endforeach()
endforeach()

if(wrong)
  message(FATAL_ERROR "Includes against the layering (see docs/architecture.md, Build):${wrong}")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()
