# Configures the project with KELVARA_WPILIB=SYSTEM against PREFIX, a WPILib
# install without a version file, then builds the library and the demo (whose
# code uses the public headers' inline code throughout) and checks the
# library's symbols.
#
#   cmake -DSOURCE_DIR=... -DBINARY_DIR=... -DPREFIX=... -DCXX=...
#         [-DTOOLCHAIN=...] -DNM=... -P BuildWithSystemWpilib.cmake
cmake_minimum_required(VERSION 3.25)

set(configure "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${BINARY_DIR}"
  -DKELVARA_WPILIB=SYSTEM "-DCMAKE_PREFIX_PATH=${PREFIX}"
  "-DCMAKE_CXX_COMPILER=${CXX}" -DCMAKE_BUILD_TYPE=Debug
  -DKELVARA_BUILD_TESTS=OFF -DKELVARA_BUILD_EXAMPLES=ON
  -DKELVARA_BUILD_BENCHMARKS=OFF -DKELVARA_INSTALL=OFF)
if(TOOLCHAIN)
  # A cross build takes packages only from its root paths: PREFIX is one.
  list(APPEND configure "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}"
    "-DCMAKE_FIND_ROOT_PATH=${PREFIX}")
endif()
execute_process(COMMAND ${configure}
  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "configuring failed:\n${output}\n${errors}")
endif()
if(NOT output MATCHES "building against the installed WPILib at ${PREFIX}/share/wpilib")
  message(FATAL_ERROR "the installed WPILib was not used:\n${output}")
endif()

execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BINARY_DIR}" -j 2
    --target KelvaraLib kelvara-demo
  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "building failed:\n${output}\n${errors}")
endif()

file(GLOB library "${BINARY_DIR}/src/libKelvaraLib.so")
execute_process(COMMAND "${CMAKE_COMMAND}" "-DNM=${NM}"
    "-DPUBLIC_LIBRARY=${library}"
    -P "${CMAKE_CURRENT_LIST_DIR}/CheckSymbols.cmake"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the library built against the installed WPILib fails the symbol check")
endif()
