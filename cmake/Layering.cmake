# The layering: which folders each folder of the sources may use, held by what the tools
# see (cmake/CheckLayering.cpp): the headers the compiler opened for each library object
# and the symbols its objects resolve in other libraries.

# The folders, lowest first; the longest prefix names a file's folder.
set(STOVREL_FOLDERS
  platform/runtime platform/xbase platform/registry platform/ui platform/ui/testing
  platform/controls platform/com platform/automation proppages services services/testing
  database/store database inventory reports exchange shell)

# What each folder may use besides itself. The program's folders (services up) use no
# part of the component frame nor QvPages: the program does not link them.
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
# The test fakes: only the tests and benchmarks use them, never the program.
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

# The engine's file layer: of its folder, only these sources use the system's calls on
# files below; every layer above reads, maps and stats through File.
set(STOVREL_FILE_LAYER platform/xbase/File.cpp platform/xbase/MappedRegion.cpp)
set(STOVREL_FILE_CALLS mmap mmap64 munmap mremap madvise fstat fstat64 __fxstat stat stat64 __xstat
  posix_fallocate posix_fallocate64 fallocate open open64 pread pread64 pwrite pwrite64 ftruncate fsync fdatasync)

# stovrel_layering_check(CHECKER <program or target> TARGETS <library> ...)
# A target of the default build that fails when an object of the libraries opened a
# header, or uses a symbol of a library, of a folder its own may not use, or when an
# object of the file layer's folder outside that layer uses one of its calls. It runs again
# whenever an object changes.
function(stovrel_layering_check)
  cmake_parse_arguments(ARG "" "CHECKER" "TARGETS" ${ARGN})
  if(NOT CMAKE_GENERATOR MATCHES "Ninja")
    message(FATAL_ERROR "The layering check reads Ninja's dependency log: configure with -G Ninja")
  endif()
  set(dir ${CMAKE_BINARY_DIR}/layering)
  set(table "")
  foreach(folder IN LISTS STOVREL_FOLDERS)
    string(JOIN " " uses ${uses_${folder}})
    string(APPEND table "${folder} ${uses}\n")
  endforeach()
  string(JOIN " " layer ${STOVREL_FILE_LAYER})
  string(JOIN " " calls ${STOVREL_FILE_CALLS})
  string(APPEND table "!file-layer ${layer}\n!file-calls ${calls}\n")
  file(GENERATE OUTPUT ${dir}/table.txt CONTENT "${table}")
  set(objects "")
  set(depends "")
  foreach(target IN LISTS ARG_TARGETS)
    string(APPEND objects "$<JOIN:$<TARGET_OBJECTS:${target}>,\n>\n")
    list(APPEND depends $<TARGET_OBJECTS:${target}>)
  endforeach()
  file(GENERATE OUTPUT ${dir}/objects.txt CONTENT "${objects}")
  add_custom_command(
    OUTPUT ${dir}/checked.stamp
    COMMAND ${ARG_CHECKER} ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR} ${dir}/table.txt ${dir}/objects.txt ${CMAKE_NM}
    COMMAND ${CMAKE_COMMAND} -E touch ${dir}/checked.stamp
    DEPENDS ${ARG_CHECKER} ${depends} ${dir}/table.txt ${dir}/objects.txt
    COMMENT "Checking the libraries' headers and symbols against the layering"
    VERBATIM)
  add_custom_target(layering_check ALL DEPENDS ${dir}/checked.stamp)
endfunction()
