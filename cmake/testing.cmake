# Test programs live beside the code they test (x_test.cpp next to x.cpp,
# x_win_test.cpp next to x_win.cpp). Each room's CMakeLists declares its
# suites with these two functions:
#
#   qp_native_test(NAME SOURCES ... LIBRARIES ...)   GoogleTest, native tree
#   qp_win32_test(NAME SOURCES ... LIBRARIES ...)    GoogleTest built for
#       Windows, run by ctest under Wine (scripts/wine-run.sh)
#
# Neither does anything in the fuzz tree; each does nothing in the other tree.
if(QP_FUZZ)
  function(qp_native_test)
  endfunction()
  function(qp_win32_test)
  endfunction()
  return()
endif()

if(WIN32)
  # GoogleTest compiled for Windows from Debian's sources.
  set(GTEST_SRC /usr/src/googletest/googletest)
  add_library(gtest_win STATIC ${GTEST_SRC}/src/gtest-all.cc ${GTEST_SRC}/src/gtest_main.cc)
  target_include_directories(gtest_win PUBLIC ${GTEST_SRC}/include PRIVATE ${GTEST_SRC})
  target_link_libraries(gtest_win PUBLIC Threads::Threads)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

function(qp_native_test name)
  if(WIN32)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBRARIES} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name})
endfunction()

function(qp_win32_test name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBRARIES} gtest_win)
  target_link_options(${name} PRIVATE -static)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endfunction()
