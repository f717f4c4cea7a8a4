# The headers nearly every file parses: the standard library, Qt's widgets and JSON made up
# nine tenths of a file's preprocessed lines, and parsing them most of its compile time.
set(glimra_precompiled_headers
  <algorithm> <array> <atomic> <chrono> <cmath> <cstdint> <cstdlib> <filesystem> <functional>
  <map> <memory> <mutex> <optional> <set> <sstream> <string> <string_view> <thread> <utility>
  <vector> <nlohmann/json.hpp> <QImage> <QLabel> <QPainter> <QPointer> <QString> <QWidget>)

# One static library per layer; sources are picked up from the layer's folder so that
# adding a file needs no edit here.
function(glimra_library name dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.h")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_precompile_headers(${name} PRIVATE ${glimra_precompiled_headers})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
endfunction()

include(GoogleTest)

# One test executable per layer; each of its tests is a ctest case of its own, so a
# failure is named and ctest -j spreads the cases over the cores. The cases are listed
# when ctest runs, not at build time, so a busy machine cannot fail the build.
# Tests of the X11 desktop (X11 before the libraries) carry the label x11; each process
# starts an X display of its own, so they run side by side like the others. SLOW (before the libraries) marks a binary
# whose cases take seconds each: ctest starts them first, so that none of them is left to
# run alone at the end. FILTER (a gtest filter) keeps only the cases it names.
function(glimra_tests name dir)
  cmake_parse_arguments(PARSE_ARGV 2 arg "X11;SLOW" "FILTER" "")
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.h")
  # Programs the tests start are built on their own.
  list(FILTER sources EXCLUDE REGEX "/programs/")
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${arg_UNPARSED_ARGUMENTS} glimra_testsupport GTest::gtest GTest::gmock)
  # Line tables are all a failing test's backtrace needs; full debug information of the
  # test frameworks' templates took a third of their compile time.
  target_compile_options(${name} PRIVATE $<$<CONFIG:RelWithDebInfo>:-g1>)
  target_precompile_headers(${name} PRIVATE ${glimra_precompiled_headers} <gtest/gtest.h> <gmock/gmock.h>)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  if(arg_X11)
    # A hung X client or server must not hold the whole run.
    set(properties ENVIRONMENT "QT_QPA_PLATFORM=xcb" LABELS x11 TIMEOUT 180)
  else()
    set(properties ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
  if(arg_SLOW)
    list(APPEND properties COST 100)
  endif()
  if(arg_FILTER)
    set(filter TEST_FILTER ${arg_FILTER})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    ${filter}
    PROPERTIES ${properties})
endfunction()
