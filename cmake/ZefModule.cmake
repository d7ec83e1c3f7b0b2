# Helpers every module uses to declare its tests and benchmarks the same way.

# zef_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable; its cases are registered with CTest one by one
# when the tests run, so a sanitizer build never runs code at build time.
function(zef_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zeftestsupport GTest::gtest GTest::gmock GTest::gtest_main)
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

# zef_add_fuzz(<name> SOURCES <files...> LIBS <targets...>)
# A libFuzzer target (a source defining LLVMFuzzerTestOneInput) kept in the
# module's fuzz/ folder, with its seed corpus and committed crash inputs in
# fuzz/corpus/<name>/. An ordinary build links the replay driver and CTest
# replays the corpus; with ZEF_FUZZ=ON (clang) it links libFuzzer instead.
function(zef_add_fuzz name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(fuzz_${name} ${ARG_SOURCES})
  target_link_libraries(fuzz_${name} PRIVATE ${ARG_LIBS} zef_fuzz_support)
  if(ZEF_FUZZ)
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_link_libraries(fuzz_${name} PRIVATE zef_fuzz_replay)
    # The corpus lies beside the target's source, whichever folder declares it.
    list(GET ARG_SOURCES 0 first_source)
    get_filename_component(first_source ${first_source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    get_filename_component(fuzz_dir ${first_source} DIRECTORY)
    add_test(NAME fuzz.${name}
             COMMAND fuzz_${name} ${fuzz_dir}/corpus/${name})
    # Targets that touch files find a fresh platform root of their own, made
    # here: without it a target that writes (the registry) refuses every input.
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-root/${name})
    set_tests_properties(fuzz.${name} PROPERTIES
                         ENVIRONMENT "ZEF_PLATFORM_ROOT=${CMAKE_BINARY_DIR}/fuzz-root/${name}")
  endif()
endfunction()
