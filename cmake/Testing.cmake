# camviewer_add_gtest(NAME SOURCES a.cpp ... LIBS lib ... [LABELS l ...])
# Builds one GoogleTest program and registers each of its tests with CTest.
# Discovery runs at test time (inside the private network namespace that
# scripts/test.sh sets up), never at build time.
find_package(GTest QUIET)
include(GoogleTest)

# Under AddressSanitizer, programs keep every shared object they load until
# they exit (tests/support/keep_shared_objects.c), so that LeakSanitizer can
# trace what libraries loaded at run time (Mesa's GL driver, Qt's plugins)
# still hold. Every test program does; so does the program itself, which the
# program tests run.
if(CAMVIEWER_SANITIZE MATCHES "address")
  add_library(camviewer_keep_shared_objects OBJECT
    ${PROJECT_SOURCE_DIR}/tests/support/keep_shared_objects.c)
endif()
function(camviewer_keep_shared_objects target)
  if(TARGET camviewer_keep_shared_objects)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:camviewer_keep_shared_objects>)
    # Visible to libraries loaded later even when nothing linked uses it.
    target_link_options(${target} PRIVATE -Wl,--export-dynamic-symbol=dlclose)
  endif()
endfunction()

function(camviewer_add_gtest name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES} $<TARGET_OBJECTS:camviewer_netns_gate>)
  camviewer_warnings(${name})
  camviewer_keep_shared_objects(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} camviewer_testsupport GTest::gtest_main GTest::gmock Threads::Threads)
  # Several labels reach the tests as one list: the list passes through three
  # expansions inside the GoogleTest discovery scripts, hence the deep escape.
  string(REPLACE ";" "\\\\\\\\\\\\\\;" labels "${ARG_LABELS}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${labels}"
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
