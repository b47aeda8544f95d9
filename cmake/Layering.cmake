# The layering: which folders each folder of the sources may use, held by what the tools
# see (cmake/CheckLayering.cpp): the headers the compiler opened for each object the
# build makes and the symbols each resolves in the other objects.

# The folders, lowest first; the longest prefix names a file's folder.
set(STOVREL_FOLDERS
  platform/runtime platform/xbase platform/registry platform/ui platform/ui/testing
  platform/controls platform/com platform/automation proppages services services/testing
  database/store database inventory reports exchange shell tests bench)

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
# The tests and the benchmarks try every folder.
set(uses_tests ${STOVREL_FOLDERS})
set(uses_bench ${STOVREL_FOLDERS})

# The engine's file layer: of its folder, only these sources reach the file system;
# every layer above reads, maps and stats through File. An object of the folder outside
# the layer may take from outside the tree (the system, the C and C++ libraries) only
# what matches a pattern below (demangled; a trailing * matches any rest), so that a new
# way to a file (a system call, stdio, a file stream, std::filesystem, Qt) fails the
# build however it is spelled.
set(STOVREL_FILE_LAYER platform/xbase/File.cpp platform/xbase/MappedRegion.cpp)
set(STOVREL_FILE_LAYER_ALLOWED
  # The language's run time: exceptions and unwinding, new and delete, type information.
  "_Unwind_*" "__cxa_*" "__gxx_personality_v0" "operator new*" "operator delete*"
  "typeinfo for *" "typeinfo name for *" "vtable for *" "std::terminate*"
  # The sanitizers' hooks in their builds.
  "__asan_*" "__ubsan_*" "__tsan_*" "__lsan_*" "__sanitizer_*"
  # The C library on memory, text and numbers, the clock and sleeping, and errno; the
  # stack guard. snprintf writes to memory; none of them names a file.
  memchr memcmp memcpy memmove memset strcmp strncmp strlen strnlen strchr strrchr strtod strtol
  strtoll strtoul strtoull strerror snprintf isalnum isalpha isdigit isspace isxdigit toupper
  tolower pow round trunc floor ceil fmod ldexp frexp time localtime_r gmtime_r clock_gettime
  nanosleep sched_yield __errno_location __libc_single_threaded __stack_chk_fail
  # The threads' locks and waits.
  "pthread_*"
  # The C++ library's containers, strings, number texts, errors, hashes, clocks and threads (its file
  # streams, std::filesystem and the standard streams are not here).
  "std::_Rb_tree_*" "std::__detail::*" "std::_Hash_bytes*" "std::__throw_*" "std::allocator<*"
  "std::__cxx11::basic_string<*" "std::basic_string<*" "std::__cxx11::basic_ostringstream<*"
  "std::__cxx11::basic_stringstream<*" "std::exception*" "std::bad_alloc*" "std::runtime_error*"
  "std::logic_error*" "std::out_of_range*" "std::invalid_argument*" "std::length_error*"
  "std::system_error*" "std::_V2::system_category*" "std::_V2::generic_category*"
  "std::chrono::*" "std::thread::*" "std::this_thread::*" "std::mutex::*" "std::condition_variable::*"
  "std::__once_callable" "std::__once_call" "std::__exception_ptr::*" "std::rethrow_exception*"
  "std::current_exception*" "std::type_info::*" "std::__shared_count*" "std::_Sp_make_shared_tag*"
  "std::random_device::*" "std::to_chars*" "std::from_chars*")

# stovrel_layering_check(NAME <name> CHECKER <program or target> TARGETS <target> ...
#                        [STAMP <variable>])
# A target layering_<name> of the default build that fails when an object of the targets
# opened a header, or uses a symbol of another of their objects, of a folder its own may
# not use, or when an object of the file layer's folder outside that layer takes from
# outside the tree what the file layer's list does not allow. It runs again whenever an
# object changes. STAMP names a variable set to the file it makes when all is well (a
# link may wait for it).
function(stovrel_layering_check)
  cmake_parse_arguments(ARG "" "NAME;CHECKER;STAMP" "TARGETS" ${ARGN})
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
  string(APPEND table "!file-layer ${layer}\n")
  foreach(pattern IN LISTS STOVREL_FILE_LAYER_ALLOWED)
    string(APPEND table "!file-allowed ${pattern}\n")
  endforeach()
  file(GENERATE OUTPUT ${dir}/${ARG_NAME}-table.txt CONTENT "${table}")
  set(objects "")
  set(depends "")
  foreach(target IN LISTS ARG_TARGETS)
    string(APPEND objects "$<JOIN:$<TARGET_OBJECTS:${target}>,\n>\n")
    list(APPEND depends $<TARGET_OBJECTS:${target}>)
  endforeach()
  file(GENERATE OUTPUT ${dir}/${ARG_NAME}-objects.txt CONTENT "${objects}")
  set(stamp ${dir}/${ARG_NAME}.stamp)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${ARG_CHECKER} ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR} ${dir}/${ARG_NAME}-table.txt ${dir}/${ARG_NAME}-objects.txt
      ${CMAKE_NM}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${ARG_CHECKER} ${depends} ${dir}/${ARG_NAME}-table.txt ${dir}/${ARG_NAME}-objects.txt
    COMMENT "Checking the objects of ${ARG_NAME} against the layering"
    VERBATIM)
  add_custom_target(layering_${ARG_NAME} ALL DEPENDS ${stamp})
  if(ARG_STAMP)
    set(${ARG_STAMP} ${stamp} PARENT_SCOPE)
  endif()
endfunction()

# The targets with objects of `dir` and the folders below it, into `out`.
function(stovrel_object_targets out dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  set(found "")
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
      list(APPEND found ${target})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    stovrel_object_targets(below ${sub})
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()
