# Fuzz targets. Every build with tests replays each target's committed corpus as a test; with
# RIMGLIDER_FUZZERS=ON (clang, and RIMGLIDER_SANITIZE=fuzzer-no-link,address,undefined so the
# libraries carry coverage), real libFuzzer binaries <name>_fuzzer are built as well.
include_guard(GLOBAL)

option(RIMGLIDER_FUZZERS "Build libFuzzer binaries (clang only)" OFF)

# rimglider_fuzz_target(NAME SOURCE CORPUS_DIR LIBRARIES lib... [DEFINITIONS def...])
function(rimglider_fuzz_target name source corpus)
  cmake_parse_arguments(FUZZ "" "" "LIBRARIES;DEFINITIONS" ${ARGN})
  if(BUILD_TESTING)
    add_executable(${name}_corpus ${source} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../engine/fuzz/CorpusReplay.cpp)
    target_link_libraries(${name}_corpus PRIVATE ${FUZZ_LIBRARIES} rimglider_options)
    target_compile_definitions(${name}_corpus PRIVATE ${FUZZ_DEFINITIONS})
    add_test(NAME fuzz-corpus.${name} COMMAND ${name}_corpus ${corpus})
  endif()
  if(RIMGLIDER_FUZZERS)
    add_executable(${name}_fuzzer ${source})
    target_link_libraries(${name}_fuzzer PRIVATE ${FUZZ_LIBRARIES} rimglider_options)
    target_compile_definitions(${name}_fuzzer PRIVATE ${FUZZ_DEFINITIONS})
    target_compile_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)
  endif()
endfunction()
