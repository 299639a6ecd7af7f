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

# quorvel_glob_library(<name> [DEPS ...] [PRIVATE_DEPS ...])
# A library over every src/*.cpp of the current folder, with one test program
# per tests/*_test.cpp (named <name>_<file>) linked with it.
function(quorvel_glob_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS;TEST_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp")
  if(NOT sources)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE
      $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  quorvel_library(${name} SOURCES ${sources} DEPS ${ARG_DEPS} PRIVATE_DEPS ${ARG_PRIVATE_DEPS})
  file(GLOB tests CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp")
  foreach(test IN LISTS tests)
    get_filename_component(test_name "${test}" NAME_WE)
    quorvel_test(${name}_${test_name} SOURCES ${test} DEPS ${name} ${ARG_TEST_DEPS})
    if(TARGET ${name}_${test_name})
      target_include_directories(${name}_${test_name} PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/tests")
    endif()
  endforeach()
endfunction()
