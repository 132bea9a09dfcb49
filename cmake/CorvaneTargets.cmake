# Helpers that give every target of ours the same warnings, include roots and output folder.

# Each target sees the headers of its own folder and of what it links, nothing else: its include
# root is a build folder holding only a link named like its source folder ("traffic", "tools/fg"),
# PUBLIC for a library, so a header of a target it does not link fails to compile. A header-only
# folder gets an INTERFACE library: add_library(x INTERFACE) and corvane_include_root(x INTERFACE).
# corvane_include_root(target PUBLIC|PRIVATE|INTERFACE [folder, default: the current one])
function(corvane_include_root target scope)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARGC GREATER 2)
    set(folder ${ARGV2})
  endif()
  string(REPLACE "/" "+" root_name ${folder})
  set(root ${PROJECT_BINARY_DIR}/include/${root_name})
  get_filename_component(link_parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${link_parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} ${scope} ${root})
endfunction()

# Warnings are errors only where our presets and CI ask for it: a packager's plain build with
# another compiler or optimisation level must not fail on a new warning.
function(corvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(CORVANE_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# corvane_library(name SOURCES ... [DEPS ...])
function(corvane_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  corvane_include_root(${name} PUBLIC)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  corvane_warnings(${name})
endfunction()

# corvane_executable(name SOURCES ... [DEPS ...])
function(corvane_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  corvane_include_root(${name} PRIVATE)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  corvane_warnings(${name})
endfunction()

macro(corvane_find_gtest)
  if(CMAKE_CROSSCOMPILING AND EXISTS /usr/src/googletest/CMakeLists.txt)
    # Debian ships GoogleTest for the host only; cross builds compile it from its sources.
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    # Newer GoogleTest sources declare the namespaced names themselves.
    if(NOT TARGET GTest::gtest_main)
      add_library(GTest::gtest_main ALIAS gtest_main)
      add_library(GTest::gmock ALIAS gmock)
    endif()
  else()
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
endmacro()

# corvane_test(name SOURCES ... [DEPS ...] [PROPERTIES ...])
# One GoogleTest executable, each of its tests registered with CTest, with the shared test
# helpers and the check of its parameterised test names.
function(corvane_test name)
  if(NOT CORVANE_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PROPERTIES" ${ARGN})
  corvane_executable(${name} SOURCES ${ARG_SOURCES}
                     DEPS ${ARG_DEPS} test_support test_names_check GTest::gtest_main GTest::gmock)
  # Each program lists its tests under Wine too, where a program may be slow to end.
  if(CMAKE_CROSSCOMPILING)
    set(discovery_timeout 180)
  else()
    set(discovery_timeout 60)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT ${discovery_timeout}
                       PROPERTIES ${ARG_PROPERTIES})
endfunction()
