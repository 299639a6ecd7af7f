# Common settings for every target of the project.
function(quorvel_target_settings target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(QUORVEL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# quorvel_library(<name> SOURCES ... [DEPS ...] [PRIVATE_DEPS ...])
# A static, position-independent library with its public headers in include/.
function(quorvel_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  quorvel_target_settings(${name})
endfunction()

# quorvel_test(<name> SOURCES ... DEPS ...)
# A GoogleTest program registered with CTest, test by test.
function(quorvel_test name)
  if(NOT QUORVEL_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE QUORVEL_HUNSPELL_DIC="${QUORVEL_HUNSPELL_DIC}")
  quorvel_target_settings(${name})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
endfunction()

set(QUORVEL_HUNSPELL_DIC "/usr/share/hunspell/vi_VN.dic" CACHE FILEPATH
    "Debian's Vietnamese hunspell dictionary, used by word-list tests and benchmarks")
