# GoogleTest for the Windows cross build. Debian ships GoogleTest as sources
# only for other targets, so find_package(GTest) builds them here with the
# cross compiler and offers the same targets an installed GoogleTest would.
if(TARGET GTest::gtest_main)
  set(GTest_FOUND TRUE)
  return()
endif()

set(TQ_GTEST_SOURCE_DIR "/usr/src/googletest/googletest" CACHE PATH "GoogleTest sources to build for Windows")
if(NOT EXISTS ${TQ_GTEST_SOURCE_DIR}/CMakeLists.txt)
  set(GTest_FOUND FALSE)
  set(GTest_NOT_FOUND_MESSAGE "no GoogleTest sources in ${TQ_GTEST_SOURCE_DIR} (Debian: libgtest-dev)")
  return()
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${TQ_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# GoogleTest is not held to this project's warnings.
set_target_properties(gtest gtest_main PROPERTIES COMPILE_OPTIONS "")

# Recent GoogleTest names its targets this way itself.
if(NOT TARGET GTest::gtest_main)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
set(GTest_FOUND TRUE)
