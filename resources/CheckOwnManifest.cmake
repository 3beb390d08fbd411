# cmake -DHELPER=<write-own-manifest> -DGOLDEN=<tests/golden> -DWORK=<folder>
#       -P CheckOwnManifest.cmake
# The programs' own manifests come from the helper: it must write byte for byte what a
# generation writes for the same settings, and refuse a setting it does not know.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(problems)
# golden file, then the helper's settings
set(rows
  "App.exe.manifest"
  "App-supportedos.exe.manifest --supported-os"
  "App-asinvoker.exe.manifest --execution-level asInvoker"
  "App-dpi-system.exe.manifest --dpi system")
foreach(row IN LISTS rows)
  separate_arguments(fields UNIX_COMMAND "${row}")
  list(POP_FRONT fields golden)
  execute_process(COMMAND ${HELPER} ${WORK}/${golden} 1.0.0.0 App.exe "Fourteen chars" X86
      ${fields}
    RESULT_VARIABLE code)
  file(READ ${GOLDEN}/${golden} expected HEX)
  file(READ ${WORK}/${golden} written HEX)
  if(NOT code EQUAL 0 OR NOT written STREQUAL expected)
    list(APPEND problems "${golden}: exit ${code}, not the golden bytes")
  endif()
endforeach()

set(usage "usage: ${HELPER} OUTPUT VERSION EXENAME DESCRIPTION ARCHITECTURE [--supported-os] [--execution-level LEVEL] [--dpi DPI]\n")
foreach(refused "--dpi sideways" "--execution-level" "--gdi-scaling")
  separate_arguments(fields UNIX_COMMAND "${refused}")
  execute_process(COMMAND ${HELPER} ${WORK}/refused 1.0.0.0 App.exe "Fourteen chars" X86
      ${fields}
    RESULT_VARIABLE code ERROR_VARIABLE said)
  if(NOT code EQUAL 2 OR NOT said STREQUAL usage OR EXISTS ${WORK}/refused)
    list(APPEND problems "${refused}: exit ${code}, said '${said}'")
  endif()
endforeach()

if(problems)
  string(REPLACE ";" "\n  " problems "${problems}")
  message(FATAL_ERROR "write-own-manifest:\n  ${problems}")
endif()
