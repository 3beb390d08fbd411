# What users get and where it is installed. Windows users get one flat folder (the release
# zip holds it as it is); Linux gets bin/ and share/themefold/.
if(WIN32)
  set(THEMEFOLD_INSTALL_PROGRAMS .)
  set(THEMEFOLD_INSTALL_DATA .)
else()
  set(THEMEFOLD_INSTALL_PROGRAMS bin)
  set(THEMEFOLD_INSTALL_DATA share/themefold)
endif()

# themefold_ship(<target>): a program users get. On Windows it lands in the build tree's
# release/ folder (beside readme.txt and the other shipped programs); the i686 release build
# also gets a test that it is a PE32 program importing only system DLLs.
function(themefold_ship target)
  if(WIN32)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/release)
  else()
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  endif()
  install(TARGETS ${target} RUNTIME DESTINATION ${THEMEFOLD_INSTALL_PROGRAMS})
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_test(NAME pe32_${target}
      COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-pe32 $<TARGET_FILE:${target}>)
  endif()
endfunction()
