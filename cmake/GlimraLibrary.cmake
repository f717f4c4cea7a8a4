# The sanitizer build (unoptimised) precompiles the headers most files include and that
# cost the most to parse. The libraries share one copy, compiled by a target of its own (a
# copy made with a library's own definitions would be refused by the others); the test
# binaries share a second one that adds the test framework, compiled by the first of them
# (executables differ from libraries in their flags). Qt's headers stay out: their keyword
# macros (forever, emit) would reach every file. Optimised builds precompile nothing: GCC
# 12 then reports false array bounds in <string> code inlined through a precompiled header.
set(glimra_common_headers
  <algorithm> <filesystem> <functional> <map> <memory> <mutex> <optional> <string> <vector>
  <nlohmann/json.hpp>)
set(glimra_test_headers ${glimra_common_headers} <gtest/gtest.h> <gmock/gmock.h>)

function(glimra_precompile name kind)
  if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    return()
  endif()
  if(kind STREQUAL "common" AND NOT TARGET glimra_pch)
    file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/glimra_pch.cpp CONTENT "")
    add_library(glimra_pch STATIC ${PROJECT_BINARY_DIR}/glimra_pch.cpp)
    target_link_libraries(glimra_pch PRIVATE nlohmann_json::nlohmann_json)
    set_target_properties(glimra_pch PROPERTIES POSITION_INDEPENDENT_CODE ON)
    target_precompile_headers(glimra_pch PRIVATE ${glimra_common_headers})
    set_property(GLOBAL PROPERTY glimra_pch_owner_common glimra_pch)
  endif()
  get_property(owner GLOBAL PROPERTY glimra_pch_owner_${kind})
  if(owner)
    target_precompile_headers(${name} REUSE_FROM ${owner})
  else()
    target_precompile_headers(${name} PRIVATE ${glimra_${kind}_headers})
    set_property(GLOBAL PROPERTY glimra_pch_owner_${kind} ${name})
  endif()
endfunction()

# One static library per layer; sources are picked up from the layer's folder so that
# adding a file needs no edit here.
function(glimra_library name dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.h")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  glimra_precompile(${name} common)
endfunction()

include(GoogleTest)

# One test executable per layer; each of its tests is a ctest case of its own, so a
# failure is named and ctest -j spreads the cases over the cores. The cases are listed
# when ctest runs, not at build time, so a busy machine cannot fail the build.
# Tests of the X11 desktop (X11 before the libraries) run on the X server that DISPLAY
# names, one at a time, and carry the label x11.
function(glimra_tests name dir)
  cmake_parse_arguments(PARSE_ARGV 2 arg "X11" "" "")
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.h")
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${arg_UNPARSED_ARGUMENTS} glimra_testsupport GTest::gtest GTest::gmock)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  glimra_precompile(${name} test)
  if(arg_X11)
    set(properties ENVIRONMENT "QT_QPA_PLATFORM=xcb" LABELS x11 RESOURCE_LOCK x11_display)
  else()
    set(properties ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES ${properties})
endfunction()
