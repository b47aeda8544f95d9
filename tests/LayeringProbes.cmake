# The layering check on its probes (fixtures/layering): the build fails naming each use
# against the layering, and only those. Run as:
#   cmake -DSOURCE_DIR=<tree> -DBUILD_DIR=<scratch> -DCHECKER=<check_layering> -P LayeringProbes.cmake

set(expected
  # An angled include, and a path relative to the including file.
  "database/store/Scans.cpp: the compiler opened database/clsDB.h: database/store may not use database"
  "reports/Relative.cpp: the compiler opened platform/xbase/Engine.h: reports may not use platform/xbase"
  # Through a header of an allowed folder.
  "exchange/Export.cpp: the compiler opened platform/xbase/Engine.h: exchange may not use platform/xbase"
  "reports/Filler.cpp: the compiler opened platform/xbase/Engine.h: reports may not use platform/xbase"
  # Forms that hide the path from a reader of the text.
  "inventory/Macro.cpp: the compiler opened platform/xbase/Engine.h: inventory may not use platform/xbase"
  "reports/Digraph.cpp: the compiler opened platform/xbase/Engine.h: reports may not use platform/xbase"
  "exchange/Comment.cpp: the compiler opened platform/xbase/Engine.h: exchange may not use platform/xbase"
  "reports/Continued.cpp: the compiler opened platform/xbase/Engine.h: reports may not use platform/xbase"
  # Files outside the folders' headers: an .inc file, a header kept under resources/.
  "inventory/Included.cpp: the compiler opened platform/xbase/Engine.h: inventory may not use platform/xbase"
  "inventory/Resourced.cpp: the compiler opened resources/Hidden.h: inventory may not use resources"
  "inventory/Resourced.cpp: the compiler opened platform/xbase/Engine.h: inventory may not use platform/xbase"
  # A call the window declared itself: no header, the linker would resolve it.
  "inventory/frmLookupByPartNo.cpp: uses d4top(DATA4*) of platform/xbase/Engine.cpp: inventory may not use platform/xbase"
  # A way to a file above the engine's file layer, however spelled (the file layer's own
  # pass, and so do memory and text functions).
  "platform/xbase/Table.cpp: uses fstat of the system: platform/xbase may not use it above the file layer"
  "platform/xbase/Scan.cpp: uses fopen of the system: platform/xbase may not use it above the file layer"
  "platform/xbase/Scan.cpp: uses fclose of the system: platform/xbase may not use it above the file layer"
  "platform/xbase/Scan.cpp: uses openat of the system: platform/xbase may not use it above the file layer"
  "platform/xbase/Scan.cpp: uses std::filesystem::status of the system: platform/xbase may not use it above the file layer"
  # Folders outside the program's, and the tests.
  "services/Frame.cpp: the compiler opened platform/com/Types.h: services may not use platform/com"
  "proppages/Page.cpp: the compiler opened services/clsSystem.h: proppages may not use services"
  "shell/Hub.cpp: the compiler opened tests/support/TestEnv.h: shell may not use tests"
  # The program's own main(), an object of no library.
  "shell/main.cpp: the compiler opened platform/xbase/Engine.h: shell may not use platform/xbase"
  "shell/main.cpp: uses d4top(DATA4*) of platform/xbase/Engine.cpp: shell may not use platform/xbase")

# A folder of this run's own: two runs of the suite at once do not share one.
string(RANDOM LENGTH 8 run)
set(BUILD_DIR ${BUILD_DIR}-${run})
file(REMOVE_RECURSE ${BUILD_DIR})
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/fixtures/layering -B ${BUILD_DIR} -G Ninja
    -DSTOVREL_SOURCE_DIR=${SOURCE_DIR} -DCHECKER=${CHECKER}
  RESULT_VARIABLE configured OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "The probes did not configure:\n${output}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR}
  RESULT_VARIABLE built OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(built EQUAL 0)
  message(FATAL_ERROR "The probes built: the check let them all pass\n${output}")
endif()

string(REPLACE ";" "," output "${output}")
string(REPLACE "\n" ";" lines "${output}")
set(reported)
foreach(line IN LISTS lines)
  if(line MATCHES "^  ([^ ].*: (the compiler opened|uses) .* may not use .*)$")
    list(APPEND reported "${CMAKE_MATCH_1}")
  endif()
endforeach()
set(missing ${expected})
list(REMOVE_ITEM missing ${reported})
set(unexpected ${reported})
list(REMOVE_ITEM unexpected ${expected})
file(REMOVE_RECURSE ${BUILD_DIR})
if(missing OR unexpected)
  list(JOIN missing "\n  " missing)
  list(JOIN unexpected "\n  " unexpected)
  message(FATAL_ERROR "Not reported:\n  ${missing}\nReported wrongly:\n  ${unexpected}\nBuild output:\n${output}")
endif()
