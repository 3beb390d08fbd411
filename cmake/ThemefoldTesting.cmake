# GoogleTest for every build, and one way to register a test program.
# Windows test programs run under Wine with a prefix of this build tree's own.
#
# Labels: `unit` for what runs on the build machine in seconds (every host GoogleTest case),
# `wine` for what runs under Wine, `slow` for what takes minutes. `ctest -L unit` is the quick
# answer; the quick preset runs just that.

if(NOT THEMEFOLD_TESTS)
  return()
endif()

enable_testing()

# The host build too runs Windows programs under Wine (tests/embed's proof).
set(THEMEFOLD_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(THEMEFOLD_WINE_RUN ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh)
if(CMAKE_CROSSCOMPILING)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${THEMEFOLD_WINE_RUN} ${THEMEFOLD_WINEPREFIX})
  # The distro ships GoogleTest's sources only for the host; build them with mingw.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(t gtest gtest_main gmock gmock_main)
    target_compile_options(${t} PRIVATE -Wno-error -O0)
  endforeach()
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# Test code is compiled unoptimised in every build: an optimised build tests the product's
# optimised libraries, and optimising the tests' own code only costs build time. GoogleTest's
# headers are parsed once a build, into one precompiled header every test program shares, and
# each test program's files are compiled as one (a unity build): GoogleTest's templates are
# then instantiated once a program, not once a file. Names at file scope must therefore be
# unique within a test folder.
set(THEMEFOLD_TEST_COMPILE_OPTIONS -O0)
add_library(themefold_test_pch OBJECT ${PROJECT_SOURCE_DIR}/tests/support/Precompiled.cpp)
target_compile_options(themefold_test_pch PRIVATE ${THEMEFOLD_TEST_COMPILE_OPTIONS})
target_link_libraries(themefold_test_pch PRIVATE GTest::gtest GTest::gmock)
target_precompile_headers(themefold_test_pch PRIVATE <gtest/gtest.h> <gmock/gmock.h>)

# themefold_add_test(<target> [LABELS <label>...] [ENVIRONMENT <var=value>...]
#                    [TIMEOUT <seconds>] [OWN_PREFIX] [SHARDS <n>])
# Host: one CTest entry per test case, labelled `unit`. Wine: one entry per program, since
# every Wine start costs about a second, labelled `wine`. LABELS adds to those.
# OWN_PREFIX (Wine): the program keeps settings in the registry that other programs read, so
# it runs in a prefix of its own, a copy of the build's, and needs no lock against them.
# SHARDS (Wine): the cases are split over <n> entries that run side by side, each in a
# prefix of its own.
function(themefold_add_test target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "OWN_PREFIX" "TIMEOUT;SHARDS" "LABELS;ENVIRONMENT")
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_options(${target} PRIVATE ${THEMEFOLD_TEST_COMPILE_OPTIONS})
  target_precompile_headers(${target} REUSE_FROM themefold_test_pch)
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
  # A fixture in an unnamed namespace is fine in its own file; one file of many, it warns.
  target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
  set(environment "THEMEFOLD_TEST_SOURCE=${CMAKE_SOURCE_DIR}" ${arg_ENVIRONMENT})
  if(NOT CMAKE_CROSSCOMPILING)
    set(properties ENVIRONMENT "${environment}" LABELS unit ${arg_LABELS})
    if(arg_TIMEOUT)
      list(APPEND properties TIMEOUT ${arg_TIMEOUT})
    endif()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
    return()
  endif()

  set(labels wine ${arg_LABELS})
  if(NOT arg_SHARDS)
    set(arg_SHARDS 1)
  endif()
  math(EXPR last "${arg_SHARDS} - 1")
  foreach(index RANGE ${last})
    set(name ${target})
    set(shard_environment ${environment})
    if(arg_SHARDS GREATER 1)
      math(EXPR number "${index} + 1")
      set(name ${target}.${number}of${arg_SHARDS})
      list(APPEND shard_environment GTEST_TOTAL_SHARDS=${arg_SHARDS} GTEST_SHARD_INDEX=${index})
    endif()
    if(arg_OWN_PREFIX OR arg_SHARDS GREATER 1)
      add_test(NAME ${name}
        COMMAND ${THEMEFOLD_WINE_RUN} --copy-of ${THEMEFOLD_WINEPREFIX}
          ${CMAKE_BINARY_DIR}/wineprefix-${name} $<TARGET_FILE:${target}> --gtest_brief=1)
    else()
      add_test(NAME ${name} COMMAND ${target} --gtest_brief=1)
    endif()
    # A program that crashes under Wine can still exit with 0: only GoogleTest's own
    # summary counts as a pass.
    set_tests_properties(${name} PROPERTIES
      ENVIRONMENT "${shard_environment}"
      LABELS "${labels}"
      PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]"
      FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
    if(arg_TIMEOUT)
      set_tests_properties(${name} PROPERTIES TIMEOUT ${arg_TIMEOUT})
    endif()
    # The longest start first, also in a new build folder that has no times of its own yet:
    # they decide when a parallel run ends.
    if(slow IN_LIST arg_LABELS)
      set_tests_properties(${name} PROPERTIES COST 1000)
    endif()
  endforeach()
endfunction()
