# GoogleTest for every build, and one way to register a test program.
# Windows test programs run under Wine with a prefix of this build tree's own.

if(NOT THEMEFOLD_TESTS)
  return()
endif()

enable_testing()

if(CMAKE_CROSSCOMPILING)
  set(THEMEFOLD_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh ${THEMEFOLD_WINEPREFIX})
  # The distro ships GoogleTest's sources only for the host; build them with mingw.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(t gtest gtest_main gmock gmock_main)
    target_compile_options(${t} PRIVATE -Wno-error)
  endforeach()
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# themefold_add_test(<target> [LABELS ...])
# Host: one CTest entry per test case. Wine: one entry per program, since every
# Wine start costs about a second.
function(themefold_add_test target)
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
    # A program that crashes under Wine can still exit with 0: only GoogleTest's own
    # summary counts as a pass.
    set_tests_properties(${target} PROPERTIES
      ENVIRONMENT "THEMEFOLD_TEST_SOURCE=${CMAKE_SOURCE_DIR}"
      PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]"
      FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
  else()
    gtest_discover_tests(${target}
      DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "THEMEFOLD_TEST_SOURCE=${CMAKE_SOURCE_DIR}")
  endif()
endfunction()
