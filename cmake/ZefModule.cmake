# Helpers every module uses to declare its tests and benchmarks the same way.

# zef_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable; its cases are registered with CTest one by one
# when the tests run, so a sanitizer build never runs code at build time.
function(zef_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 600)
endfunction()

# zef_add_bench(<name> SOURCES <files...> LIBS <targets...>)
# Built only when Google Benchmark is installed; never run by the tests.
function(zef_add_bench name)
  if(NOT benchmark_FOUND)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
