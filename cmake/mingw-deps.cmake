# Dependencies of a Windows cross build, included right after the top-level
# project() call (see cmake/mingw-w64.cmake).
#
# The cross compiler must never see /usr/include (glibc's headers), so the
# Debian packages' own CMake packages cannot be used as they are:
# - CLI11 is header-only: a package in the build folder offers CLI11::CLI11
#   with an include folder that holds nothing but a link to /usr/include/CLI.
# - GoogleTest is built from Debian's source (/usr/src/googletest) with the
#   cross compiler; an empty GTest package tells find_package(GTest) that its
#   targets already exist.
# Test binaries cannot run at build time, so tests are listed when ctest runs.

set(KPX_CROSS_DIR ${CMAKE_BINARY_DIR}/cross-deps)

file(MAKE_DIRECTORY ${KPX_CROSS_DIR}/include ${KPX_CROSS_DIR}/CLI11)
if(NOT EXISTS ${KPX_CROSS_DIR}/include/CLI)
  file(CREATE_LINK /usr/include/CLI ${KPX_CROSS_DIR}/include/CLI SYMBOLIC)
endif()
file(WRITE ${KPX_CROSS_DIR}/CLI11/CLI11Config.cmake
  "if(NOT TARGET CLI11::CLI11)\n"
  "  add_library(CLI11::CLI11 INTERFACE IMPORTED)\n"
  "  set_target_properties(CLI11::CLI11 PROPERTIES\n"
  "    INTERFACE_INCLUDE_DIRECTORIES ${KPX_CROSS_DIR}/include)\n"
  "endif()\n")
set(CLI11_DIR ${KPX_CROSS_DIR}/CLI11 CACHE PATH "CLI11 for the cross build" FORCE)

if(NOT DEFINED KPX_BUILD_TESTS OR KPX_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  file(MAKE_DIRECTORY ${KPX_CROSS_DIR}/GTest)
  file(WRITE ${KPX_CROSS_DIR}/GTest/GTestConfig.cmake
    "# GTest::gtest and GTest::gtest_main are built from source in this tree.\n")
  set(GTest_DIR ${KPX_CROSS_DIR}/GTest CACHE PATH "GoogleTest for the cross build" FORCE)
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
endif()
