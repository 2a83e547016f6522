# zira_add_test(NAME SOURCES...): one test executable from the given sources, linked with
# GoogleTest and every Zira library that exists, registered with CTest.
function(zira_add_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  foreach(lib zirahost zirafs vdtrules validatedata_static ziracmd)
    if(TARGET ${lib})
      target_link_libraries(${name} PRIVATE ${lib})
    endif()
  endforeach()
  target_compile_definitions(${name} PRIVATE
    ZIRA_SOURCE_DIR="${PROJECT_SOURCE_DIR}" ZIRA_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
endfunction()

# zira_add_fuzzer(NAME SOURCES...): a libFuzzer target, built only with ZIRA_FUZZ (clang);
# `make test` runs each for a few seconds through CTest.
function(zira_add_fuzzer name)
  if(NOT ZIRA_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARGN})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  foreach(lib zirahost zirafs vdtrules validatedata_static ziracmd)
    if(TARGET ${lib})
      target_link_libraries(${name} PRIVATE ${lib})
    endif()
  endforeach()
  # New inputs go to a corpus folder in the build tree; the checked-in seeds are only read.
  set(corpus ${PROJECT_BINARY_DIR}/fuzz-corpus/${name})
  set(seeds ${PROJECT_SOURCE_DIR}/tests/fuzz/seeds/${name})
  add_test(NAME ${name} COMMAND sh -c "mkdir -p ${corpus} ${seeds} && exec $<TARGET_FILE:${name}> -max_total_time=10 -rss_limit_mb=2048 -timeout=5 ${corpus} ${seeds}")
endfunction()
