# korvale_test(NAME SOURCES a_test.cpp ... LIBS lib ...)
# One test program per library keeps linking cheap on small machines.
function(korvale_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} korvale_testsupport GTest::gtest GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "KORVALE_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# Stamps the project's version into an ELF note of the program (read back by platform/version).
function(korvale_program name)
  target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/platform/version/version_note.S)
  target_compile_definitions(${name} PRIVATE
    KORVALE_VERSION_MAJOR=${KORVALE_VERSION_MAJOR} KORVALE_VERSION_MINOR=${KORVALE_VERSION_MINOR}
    KORVALE_VERSION_BUILD=${KORVALE_VERSION_BUILD} KORVALE_VERSION_REVISION=${KORVALE_VERSION_REVISION})
endfunction()
