# Test programs live beside the code they test (x_test.cpp next to x.cpp,
# x_win_test.cpp next to x_win.cpp). Each room's CMakeLists declares its
# suites with these two functions:
#
#   qp_native_test(NAME SOURCES ... LIBRARIES ...)   GoogleTest, native tree
#   qp_win32_test(NAME SOURCES ... LIBRARIES ...)    GoogleTest built for
#       Windows, run by ctest under Wine (scripts/wine-run.sh)
#
# Each does nothing in the other tree. Neither does anything in the fuzz
# tree, nor in the 32-bit Windows tree, whose programs nothing here can run.
if(QP_FUZZ OR (WIN32 AND QP_32_BIT))
  function(qp_native_test)
  endfunction()
  function(qp_win32_test)
  endfunction()
  return()
endif()

if(WIN32 OR QP_32_BIT)
  # GoogleTest compiled in this tree from Debian's sources: for Windows, and
  # for 32-bit native tests (Debian's libgtest is 64-bit).
  set(GTEST_SRC /usr/src/googletest/googletest)
  add_library(gtest_src STATIC ${GTEST_SRC}/src/gtest-all.cc)
  target_include_directories(gtest_src PUBLIC ${GTEST_SRC}/include PRIVATE ${GTEST_SRC})
  target_link_libraries(gtest_src PUBLIC Threads::Threads)
  add_library(gtest_main_src STATIC ${GTEST_SRC}/src/gtest_main.cc)
  target_link_libraries(gtest_main_src PUBLIC gtest_src)
  add_library(GTest::gtest ALIAS gtest_src)
  add_library(GTest::gtest_main ALIAS gtest_main_src)
else()
  find_package(GTest REQUIRED)
endif()
if(NOT WIN32)
  include(GoogleTest)
endif()

# GoogleTest's header is most of what a test file costs to compile under
# the sanitizers: the native trees compile it once, and every test program
# reuses that. (The Windows test programs differ in their definitions, for
# which one header could not be shared.)
if(NOT WIN32)
  add_library(qp_test_header OBJECT ${CMAKE_CURRENT_LIST_DIR}/test_header.cpp)
  target_link_libraries(qp_test_header PRIVATE GTest::gtest)
  target_precompile_headers(qp_test_header PRIVATE <gtest/gtest.h> <string> <vector>)
endif()

function(qp_native_test name)
  if(WIN32)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBRARIES} GTest::gtest GTest::gtest_main)
  target_precompile_headers(${name} REUSE_FROM qp_test_header)
  gtest_discover_tests(${name})
endfunction()

function(qp_win32_test name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBRARIES} GTest::gtest GTest::gtest_main)
  target_link_options(${name} PRIVATE -static)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endfunction()
