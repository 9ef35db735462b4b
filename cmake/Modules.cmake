# parch_module(<target> [DEPENDS <targets...>])
#   One library per source folder: every .cpp of the folder (not recursive) is compiled in.
#   Includes are rooted at the source tree, so code writes #include "pdf/core/TPDFObject.h".
function(parch_module target)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
    parch_warnings(${target})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${target} INTERFACE ${ARG_DEPENDS})
  endif()
endfunction()

# parch_test(<target> DEPENDS <targets...>)
#   One GoogleTest executable per test folder: every .cpp of the folder is compiled in.
#   Tests run with the source tree as working directory so fixtures are found by relative path.
function(parch_test target)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    PARCH_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    PARCH_BINARY_DIR="${CMAKE_BINARY_DIR}"
    PARCH_PROGRAM_DIR="${PARCH_PROGRAM_DIR}/")
  parch_warnings(${target})
  gtest_discover_tests(${target} WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300)
endfunction()

function(parch_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()

# parch_fuzz(<target> <source> DEPENDS <targets...>)
#   A libFuzzer target; tools/run-fuzz.sh runs every one of them for a bounded time.
function(parch_fuzz target source)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  add_executable(${target} ${source})
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${target} PRIVATE ${ARG_DEPENDS})
  set_property(GLOBAL APPEND PROPERTY PARCH_FUZZ_TARGETS ${target})
endfunction()
