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

# korvale_headers(TARGET [FOLDER dir] [FILES header ...] [EXCEPT header ...])
#
# Makes the headers a target owns visible under their paths in the tree
# ("agent/scan/row_writer.h"), and nothing else: each target gets a folder of
# links in the build tree, build/include/<target>, as its public include path.
# A target therefore sees a header only when it links the library that owns
# it, directly or through a public edge, and an include the CMake files do not
# declare fails to compile. FOLDER takes every header below dir except those
# in a sub-folder with a CMakeLists.txt of its own (which owns them); FILES
# names headers one by one (paths from the project root) where one folder
# holds several libraries; EXCEPT leaves headers of FOLDER to another target.
function(korvale_headers target)
  cmake_parse_arguments(H "" "FOLDER" "FILES;EXCEPT" ${ARGN})
  set(headers ${H_FILES})
  if(H_FOLDER)
    file(GLOB_RECURSE found RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS
      ${PROJECT_SOURCE_DIR}/${H_FOLDER}/*.h ${PROJECT_SOURCE_DIR}/${H_FOLDER}/*.inc)
    foreach(header IN LISTS found)
      get_filename_component(dir ${header} DIRECTORY)
      set(owned TRUE)
      while(NOT dir STREQUAL H_FOLDER)
        if(EXISTS ${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt)
          set(owned FALSE)
          break()
        endif()
        get_filename_component(dir ${dir} DIRECTORY)
      endwhile()
      if(owned AND NOT header IN_LIST H_EXCEPT)
        list(APPEND headers ${header})
      endif()
    endforeach()
  endif()
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})
  foreach(header IN LISTS headers)
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${header})
      message(FATAL_ERROR "korvale_headers(${target}): no header ${header}")
    endif()
    get_filename_component(dir ${root}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${header} ${root}/${header} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    target_include_directories(${target} PRIVATE ${root})
  elseif(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
