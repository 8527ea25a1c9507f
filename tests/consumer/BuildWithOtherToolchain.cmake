# Builds robot code with another compiler and standard library than the
# project's libraries were built with, links it with those very libraries
# and runs it: the C binary interface must make that work.
#
#   cmake -DCXX=<compiler> -DFLAGS=<flag|flag...> -DINCLUDES=<dir|dir...>
#         -DLIBRARIES=<file|file...> -DSOURCE=<file> -DBINARY_DIR=<dir>
#         -P BuildWithOtherToolchain.cmake
#
# Prints "skipped:" and stops when that toolchain is not installed.
cmake_minimum_required(VERSION 3.25)

foreach(list IN ITEMS FLAGS INCLUDES LIBRARIES)
  string(REPLACE "|" ";" ${list} "${${list}}")
endforeach()
file(MAKE_DIRECTORY "${BINARY_DIR}")

find_program(compiler "${CXX}")
if(NOT compiler)
  message(NOTICE "skipped: ${CXX} is not installed")
  return()
endif()
# The standard library is there when a program that names it builds.
file(WRITE "${BINARY_DIR}/probe.cpp" "#include <version>\nint main() {}\n")
execute_process(COMMAND "${compiler}" ${FLAGS} "${BINARY_DIR}/probe.cpp"
  -o "${BINARY_DIR}/probe" RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  message(NOTICE "skipped: ${CXX} cannot build with ${FLAGS}; "
    "install its standard library (libc++-16-dev, libc++abi-16-dev)")
  return()
endif()

set(include_flags "")
foreach(dir IN LISTS INCLUDES)
  list(APPEND include_flags "-I${dir}")
endforeach()
set(rpath "")
foreach(library IN LISTS LIBRARIES)
  get_filename_component(dir "${library}" DIRECTORY)
  list(APPEND rpath "${dir}")
endforeach()
list(JOIN rpath ":" rpath)
set(program "${BINARY_DIR}/robot")
execute_process(COMMAND "${compiler}" ${FLAGS} ${include_flags} "${SOURCE}"
    ${LIBRARIES} "-Wl,-rpath,${rpath}" -o "${program}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${CXX} could not build or link ${SOURCE}")
endif()
execute_process(COMMAND "${program}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the robot program built with ${CXX} failed")
endif()
