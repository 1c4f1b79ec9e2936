# brinkmoor_add_test(NAME name SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l] [ENV VAR=value ...])
# One GoogleTest executable, registered with CTest. Tests run from a scratch working
# directory of their own and find their data through BRINKMOOR_TEST_DATA.
function(brinkmoor_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} test_support GTest::gtest GTest::gtest_main brinkmoor_options)
  target_compile_definitions(${T_NAME} PRIVATE
    BRINKMOOR_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    BRINKMOOR_TEST_SUPPORT="${PROJECT_SOURCE_DIR}/tests/support"
    BRINKMOOR_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CACHE_HOME=${PROJECT_BINARY_DIR}/test-cache-home;ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;${T_ENV}"
    TIMEOUT 300)
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
