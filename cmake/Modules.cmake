# parch_module(<target> [SOURCES <files...>] [DEPENDS <targets...>])
#   One library per source folder: every .cpp of the folder (not recursive) is compiled in,
#   unless SOURCES names the files. Code includes by path from the source root
#   ("pdf/core/ScrivletDocument.h"), but a module sees only its own layer and the layers below
#   it (cmake/Layers.cmake): an upward include or link fails the build.
function(parch_module target)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  parch_layer_of(${folder} layer)
  parch_layer_closure(${layer} below)
  # Headers are listed too, so that adding one re-runs the configuration and the views see it.
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  set(sources ${ARG_SOURCES})
  if(NOT sources)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  parch_layer_view(${layer} "${layer};${below}" view)
  if(sources)
    add_library(${target} STATIC ${sources} ${headers})
    target_include_directories(${target} PRIVATE ${view} ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
    parch_warnings(${target})
  else()
    add_library(${target} INTERFACE ${headers})
    target_link_libraries(${target} INTERFACE ${ARG_DEPENDS})
  endif()
  set_target_properties(${target} PROPERTIES PARCH_LAYER ${layer} PARCH_VIEW ${view})
  parch_check_links(${target} "${layer};${below}")
endfunction()

# parch_program(<target> <sources...> DEPENDS <targets...>)
#   An executable of a layer: it sees that layer's view like the layer's modules.
function(parch_program target)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  parch_layer_of(${folder} layer)
  parch_layer_closure(${layer} below)
  parch_layer_view(${layer} "${layer};${below}" view)
  add_executable(${target} ${ARG_UNPARSED_ARGUMENTS})
  target_include_directories(${target} PRIVATE ${view})
  target_link_libraries(${target} PRIVATE ${ARG_DEPENDS})
  set_target_properties(${target} PROPERTIES PARCH_LAYER ${layer})
  parch_warnings(${target})
  parch_check_links(${target} "${layer};${below}")
endfunction()

# The include view of a consumer that stands outside the layers (tests, fuzz targets,
# benchmarks): the layers of the modules it links and everything below them.
function(parch_consumer_view target name)
  cmake_parse_arguments(ARG "WITH_TESTS" "" "LAYERS;DEPENDS" ${ARGN})
  set(layers ${ARG_LAYERS})
  foreach(dependency IN LISTS ARG_DEPENDS)
    if(TARGET ${dependency})
      get_target_property(layer ${dependency} PARCH_LAYER)
      if(layer)
        list(APPEND layers ${layer})
      endif()
    endif()
  endforeach()
  set(visible)
  foreach(layer IN LISTS layers)
    parch_layer_closure(${layer} below)
    list(APPEND visible ${layer} ${below})
  endforeach()
  list(REMOVE_DUPLICATES visible)
  if(ARG_WITH_TESTS)
    parch_layer_view(${name} "${visible}" view WITH_TESTS)
  else()
    parch_layer_view(${name} "${visible}" view)
  endif()
  target_include_directories(${target} PRIVATE ${view} ${CMAKE_BINARY_DIR}/generated)
endfunction()

# parch_test(<target> DEPENDS <targets...>)
#   One GoogleTest executable per test folder: every .cpp of the folder is compiled in. A test
#   sees the layer it tests, the layers of what it links, and the test tree's shared fixtures.
#   Tests run with the source tree as working directory so fixtures are found by relative path.
function(parch_test target)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  parch_layer_of(${folder} layer)
  add_executable(${target} ${sources} ${CMAKE_SOURCE_DIR}/tests/LeakSuppressions.cpp)
  parch_consumer_view(${target} ${target} LAYERS ${layer} DEPENDS ${ARG_DEPENDS} WITH_TESTS)
  target_link_libraries(${target} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    PARCH_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    PARCH_BINARY_DIR="${CMAKE_BINARY_DIR}"
    PARCH_PROGRAM_DIR="${PARCH_PROGRAM_DIR}/")
  parch_test_warnings(${target})
  # GoogleTest's headers are most of every test file's compile time: parse them once per target.
  target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <gmock/gmock.h> <string> <vector>)
  gtest_discover_tests(${target} WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300)
endfunction()

function(parch_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()

# Tests and benchmarks build many short-lived strings in one function; GCC 12 then reports
# std::string copies it inlined as out of bounds (false positives of its -O2 flow analysis).
function(parch_test_warnings target)
  parch_warnings(${target})
  target_compile_options(${target} PRIVATE
    $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-array-bounds -Wno-stringop-overflow>)
endfunction()

# parch_fuzz(<target> <source> DEPENDS <targets...>)
#   A libFuzzer target; tools/run-fuzz.sh runs every one of them for a bounded time.
function(parch_fuzz target source)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  add_executable(${target} ${source})
  parch_consumer_view(${target} fuzz DEPENDS ${ARG_DEPENDS})
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${target} PRIVATE ${ARG_DEPENDS})
  set_property(GLOBAL APPEND PROPERTY PARCH_FUZZ_TARGETS ${target})
endfunction()
