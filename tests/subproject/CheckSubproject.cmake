# Configures the project in this folder, which adds KelvaraLib with
# add_subdirectory, with GoogleTest and Google Benchmark out of reach; checks
# that only the project's own test is registered; then builds the project and
# runs that test.
#   cmake -DKELVARA_SOURCE_DIR=<KelvaraLib> -DWORK_DIR=<scratch folder>
#         -DGENERATOR=<generator> -DCXX=<compiler> [-DCXX_FLAGS=<flags>]
#         [-DTOOLCHAIN=<file>]
#         -P CheckSubproject.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
set(configure "${CMAKE_COMMAND}" -S "${CMAKE_CURRENT_LIST_DIR}" -B "${WORK_DIR}"
  -G "${GENERATOR}" "-DCMAKE_CXX_COMPILER=${CXX}"
  "-DKELVARA_SOURCE_DIR=${KELVARA_SOURCE_DIR}"
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
  -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON)
if(CXX_FLAGS)
  list(APPEND configure "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}")  # as -stdlib=libc++
endif()
if(TOOLCHAIN)
  list(APPEND configure "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}")
endif()
execute_process(COMMAND ${configure}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Configuring with KelvaraLib as a subproject failed:\n${output}")
endif()

execute_process(
  COMMAND "${CMAKE_CTEST_COMMAND}" -N --test-dir "${WORK_DIR}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE tests)
if(NOT result EQUAL 0 OR NOT tests MATCHES "robot-runs" OR
   NOT tests MATCHES "Total Tests: 1\n")
  message(FATAL_ERROR "Expected the project's own test alone:\n${tests}")
endif()

# The project builds against KelvaraLib's targets and its test passes.
execute_process(
  COMMAND "${CMAKE_COMMAND}" --build "${WORK_DIR}" -j 2 --target robot
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Building the project failed:\n${output}")
endif()
execute_process(
  COMMAND "${CMAKE_CTEST_COMMAND}" --test-dir "${WORK_DIR}" --output-on-failure
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "The project's test failed:\n${output}")
endif()
