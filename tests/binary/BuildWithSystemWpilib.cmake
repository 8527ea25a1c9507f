# Configures the project with KELVARA_WPILIB=SYSTEM against a WPILib install
# without a version file, made from PREFIX (its config file) in
# BINARY_DIR-wpilib, then builds the library and the demo (whose code uses the
# public headers' inline code throughout) and checks the libraries' symbols
# and that they need none of WPILib's libraries.
#
#   cmake -DSOURCE_DIR=... -DBINARY_DIR=... -DPREFIX=... -DCXX=...
#         [-DCXX_FLAGS=...] [-DTOOLCHAIN=...] -DNM=... -DOBJDUMP=...
#         -P BuildWithSystemWpilib.cmake
cmake_minimum_required(VERSION 3.25)

# The install: WPILib's libraries are shared, so a library of ours that links
# one needs it when loaded. These define one function each, built by the
# project's compiler (for the target of a cross build).
set(fixture "${PREFIX}")
set(PREFIX "${BINARY_DIR}-wpilib")
file(REMOVE_RECURSE "${PREFIX}")
file(COPY "${fixture}/share" DESTINATION "${PREFIX}")
file(COPY "${SOURCE_DIR}/compat/wpilib/include" DESTINATION "${PREFIX}")
file(MAKE_DIRECTORY "${PREFIX}/lib")
foreach(name IN ITEMS wpiutil wpiHal wpimath wpilibc)
  file(WRITE "${PREFIX}/lib/${name}.cpp" "int ${name}Fixture() { return 0; }\n")
  execute_process(COMMAND "${CXX}" -shared -fPIC -Wl,-soname,lib${name}.so
      -o "${PREFIX}/lib/lib${name}.so" "${PREFIX}/lib/${name}.cpp"
    ERROR_VARIABLE errors RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "building the fixture's lib${name}.so failed:\n${errors}")
  endif()
endforeach()

set(configure "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${BINARY_DIR}"
  -DKELVARA_WPILIB=SYSTEM "-DCMAKE_PREFIX_PATH=${PREFIX}"
  "-DCMAKE_CXX_COMPILER=${CXX}" -DCMAKE_BUILD_TYPE=Debug
  -DKELVARA_BUILD_TESTS=OFF -DKELVARA_BUILD_EXAMPLES=ON
  -DKELVARA_BUILD_BENCHMARKS=OFF -DKELVARA_INSTALL=OFF
  # What the build links, not what a linker that drops unused libraries
  # (Debian's g++ passes --as-needed) saves it from: other toolchains keep
  # every library they are given.
  -DCMAKE_SHARED_LINKER_FLAGS=-Wl,--no-as-needed)
if(CXX_FLAGS)
  list(APPEND configure "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}")  # as -stdlib=libc++
endif()
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

execute_process(COMMAND "${CMAKE_COMMAND}" "-DNM=${NM}" "-DOBJDUMP=${OBJDUMP}"
    "-DPUBLIC_LIBRARY=${BINARY_DIR}/src/libKelvaraLib.so"
    "-DLIBRARIES=${BINARY_DIR}/sim/libKelvaraLibDriver.so"
    -P "${CMAKE_CURRENT_LIST_DIR}/CheckSymbols.cmake"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the library built against the installed WPILib fails the symbol check or needs WPILib")
endif()
