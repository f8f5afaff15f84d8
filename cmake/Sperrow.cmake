# Build conventions, so that a folder's CMakeLists.txt is one call:
#   sperrow_library(NAME DEPS <libs...> TEST_DEPS <libs...>)
# - every *.cpp of the folder except *_test.cpp, *_nettest.cpp, *_fuzz.cpp and *_main.cpp
#   goes into the static library sperrow_NAME;
# - every *_test.cpp goes into the gtest binary NAME_tests (tier 1 and 2: no real sockets);
# - every *_nettest.cpp goes into NAME_nettests, which CTest runs inside a fresh network
#   namespace holding only loopback (tests/netns-run), and skips where none can be made;
# - every *_fuzz.cpp becomes a libFuzzer target named after its file when SPERROW_FUZZ is on,
#   and a CTest test (label fuzz) that runs it for SPERROW_FUZZ_SECONDS over the seed corpus
#   in the folder <file>_corpus/ beside it, when there is one; in the other builds it is
#   linked with tests/fuzz/replay_main.cpp into <file>_replay, a CTest test (label replay)
#   that feeds it every input of that corpus once.
# Libraries link in the order their dependencies give: the engines' upward calls are
# defined in the layer that declares them and reach the application (or the test host)
# through the host object it registers, so no library needs one above it at link time.

set(SPERROW_NETNS_RUN ${PROJECT_SOURCE_DIR}/tests/netns-run)
set(SPERROW_TEST_ENV
  "SPERROW_BUILD=${PROJECT_BINARY_DIR};SPERROW_SOURCE=${PROJECT_SOURCE_DIR};SPERROW_PEERS=${SPERROW_PEERS_DIR}")

function(sperrow_library name)
  cmake_parse_arguments(A "" "" "DEPS;TEST_DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER srcs EXCLUDE REGEX "(_test|_nettest|_fuzz|_main)\\.cpp$")
  if(srcs)
    add_library(sperrow_${name} STATIC ${srcs})
  else()
    add_library(sperrow_${name} INTERFACE)
  endif()
  get_target_property(kind sperrow_${name} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(sperrow_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(sperrow_${name} INTERFACE ${A_DEPS})
  else()
    target_include_directories(sperrow_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(sperrow_${name} PUBLIC ${A_DEPS})
  endif()

  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(tests)
    add_executable(${name}_tests ${tests})
    target_link_libraries(${name}_tests PRIVATE sperrow_${name} ${A_TEST_DEPS})
    target_link_libraries(${name}_tests PRIVATE GTest::gtest_main GTest::gmock Threads::Threads)
    add_test(NAME ${name}_tests COMMAND ${name}_tests)
    set_tests_properties(${name}_tests PROPERTIES TIMEOUT 300 LABELS unit)
  endif()

  file(GLOB nettests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_nettest.cpp)
  if(nettests)
    add_executable(${name}_nettests ${nettests})
    target_link_libraries(${name}_nettests PRIVATE sperrow_${name} ${A_TEST_DEPS})
    target_link_libraries(${name}_nettests PRIVATE GTest::gtest_main GTest::gmock Threads::Threads)
    add_test(NAME ${name}_nettests COMMAND ${SPERROW_NETNS_RUN} $<TARGET_FILE:${name}_nettests>)
    set_tests_properties(${name}_nettests PROPERTIES TIMEOUT 300 LABELS net SKIP_RETURN_CODE 77
      ENVIRONMENT "${SPERROW_TEST_ENV}")
  endif()

  if(SPERROW_FUZZ)
    file(GLOB fuzzers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_fuzz.cpp)
    foreach(f ${fuzzers})
      get_filename_component(base ${f} NAME_WE)
      add_executable(${base} ${f})
      target_compile_options(${base} PRIVATE -fsanitize=fuzzer)
      target_link_options(${base} PRIVATE -fsanitize=fuzzer)
      target_link_libraries(${base} PRIVATE sperrow_${name} ${A_TEST_DEPS})
      add_dependencies(sperrow_fuzzers ${base})
      add_test(NAME ${base}
        COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/run-fuzzer.sh $<TARGET_FILE:${base}>
          ${CMAKE_CURRENT_BINARY_DIR}/${base}_work ${CMAKE_CURRENT_SOURCE_DIR}/${base}_corpus
          ${SPERROW_FUZZ_SECONDS})
      math(EXPR fuzz_timeout "${SPERROW_FUZZ_SECONDS} * 3 + 60")
      set_tests_properties(${base} PROPERTIES TIMEOUT ${fuzz_timeout} LABELS fuzz)
    endforeach()
  else()
    file(GLOB fuzzers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_fuzz.cpp)
    foreach(f ${fuzzers})
      get_filename_component(base ${f} NAME_WE)
      set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/${base}_corpus)
      if(NOT IS_DIRECTORY ${corpus})
        continue()
      endif()
      add_executable(${base}_replay ${f} ${PROJECT_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
      target_link_libraries(${base}_replay PRIVATE sperrow_${name} ${A_TEST_DEPS})
      add_test(NAME ${base}_replay COMMAND ${base}_replay ${corpus})
      set_tests_properties(${base}_replay PROPERTIES TIMEOUT 120 LABELS replay)
    endforeach()
  endif()
endfunction()

# Which way includes go, checked when configuring: outside its tests, every source of the
# calling folder includes the project's headers only from its own folder and from those
# ALLOW names, as folders ("framework/") or headers ("tftp/packet.h").
#   sperrow_include_rule(ALLOW <folder/ or header>...)
function(sperrow_include_rule)
  cmake_parse_arguments(A "" "" "ALLOW" ${ARGN})
  file(RELATIVE_PATH own ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(source ${sources})
    get_filename_component(name ${source} NAME)
    if(name MATCHES "(_test|_nettest|_fuzz)\\.cpp$|(_fixture|_test|test_support|snapshot)\\.h$")
      continue()
    endif()
    file(STRINGS ${source} lines REGEX "^#include \"[^\"]*/")
    foreach(line ${lines})
      string(REGEX REPLACE "^#include \"([^\"]*)\".*" "\\1" header "${line}")
      set(allowed FALSE)
      foreach(prefix ${own}/ ${A_ALLOW})
        string(FIND "${header}" "${prefix}" at)
        if(at EQUAL 0)
          set(allowed TRUE)
        endif()
      endforeach()
      if(NOT allowed)
        string(REPLACE ";" " " allowed "${A_ALLOW}")
        message(FATAL_ERROR "${source} includes ${header}: src/${own}/ includes only "
                            "${allowed} (docs/ARCHITECTURE.md, which way includes go)")
      endif()
    endforeach()
  endforeach()
endfunction()

# What a front-end includes: the application layer with the control ids it shares, the
# framework, and below the application the two windows on the engines that a driver
# without a person needs.
set(SPERROW_FRONTEND_INCLUDES app/ pages/ dialogs/ resources/resource.h framework/
    tftp/run_observer.h tftp/server_transfer_report.h)

# A process-level test (tier 3 and 4): a script or binary run inside the loopback-only
# network namespace.  Usage: sperrow_process_test(NAME COMMAND cmd args...)
function(sperrow_process_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "COMMAND" ${ARGN})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${SPERROW_NETNS_RUN} ${A_COMMAND})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT} LABELS process SKIP_RETURN_CODE 77
    ENVIRONMENT "${SPERROW_TEST_ENV}")
endfunction()
