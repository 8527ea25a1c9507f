# Builds a C program for the MSVC binary interface (clang's MSVC target,
# freestanding, since no MSVC runtime is installed), links it with lld-link
# against MSVC-format import libraries of the DLLs that this build made, and
# runs it beside them under the emulator.
#
#   cmake -DCLANG=<clang> -DLLD_LINK=<lld-link> -DDLLTOOL=<llvm-dlltool>
#         -DOBJDUMP=<MinGW objdump> -DDLLS=<dll|dll...> -DINCLUDES=<dir|dir...>
#         -DSOURCE=<file> -DBINARY_DIR=<dir> -DEMULATOR=<wine>
#         -P BuildForMsvc.cmake
#
# Prints "skipped:" and stops when clang, lld-link or llvm-dlltool is absent.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/KelvaraImportLibrary.cmake)

foreach(tool IN ITEMS CLANG LLD_LINK DLLTOOL)
  find_program(found_${tool} "${${tool}}")
  if(NOT found_${tool})
    message(NOTICE "skipped: ${${tool}} is not installed (clang-16, lld-16, llvm-16)")
    return()
  endif()
  set(${tool} "${found_${tool}}")
endforeach()
foreach(list IN ITEMS DLLS INCLUDES)
  string(REPLACE "|" ";" ${list} "${${list}}")
endforeach()
file(MAKE_DIRECTORY "${BINARY_DIR}")

# The import libraries: ours from the DLLs' export tables, and the one
# system function that the program calls.
set(libraries "")
foreach(dll IN LISTS DLLS)
  get_filename_component(stem "${dll}" NAME_WE)
  kelvara_import_library("${dll}" "${BINARY_DIR}/${stem}.lib")
  list(APPEND libraries "${BINARY_DIR}/${stem}.lib")
endforeach()
file(WRITE "${BINARY_DIR}/kernel32.def" "LIBRARY kernel32.dll\nEXPORTS\n  ExitProcess\n")
execute_process(COMMAND "${DLLTOOL}" -m i386:x86-64 -d "${BINARY_DIR}/kernel32.def"
  -l "${BINARY_DIR}/kernel32.lib" COMMAND_ERROR_IS_FATAL ANY)

set(include_flags "")
foreach(dir IN LISTS INCLUDES)
  list(APPEND include_flags "-I${dir}")
endforeach()
execute_process(COMMAND "${CLANG}" --target=x86_64-pc-windows-msvc -ffreestanding
    -std=c11 -Wall -Wextra -pedantic -Werror -O1 ${include_flags}
    -c "${SOURCE}" -o "${BINARY_DIR}/robot.obj"
  COMMAND_ERROR_IS_FATAL ANY)
# The program sits beside the DLLs, where Windows looks for them first.
list(GET DLLS 0 first)
get_filename_component(dll_dir "${first}" DIRECTORY)
set(program "${dll_dir}/kelvara-msvc-robot.exe")
execute_process(COMMAND "${LLD_LINK}" /entry:mainCRTStartup /subsystem:console
    /nodefaultlib "${BINARY_DIR}/robot.obj" ${libraries}
    "${BINARY_DIR}/kernel32.lib" "/out:${program}"
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${EMULATOR} "${program}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the MSVC-built program failed: ${result} (one bit per wrong answer)")
endif()
message(STATUS "the MSVC-built program read every value back")
