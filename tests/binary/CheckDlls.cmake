# Checks Windows DLLs by their import and export tables, as the symbol check
# (CheckSymbols.cmake) checks ELF libraries:
#   - no DLL imports or exports a name of the wpi namespace (mangled 3wpi),
#     so that the DLLs link with every WPILib build;
#   - no DLL imports a function of WPILib's HAL (HAL_..., HALSIM_...) or
#     needs any DLL but Windows' own and KelvaraLib's (KelvaraLib.dll,
#     KelvaraLibDriver.dll): no WPILib DLL, and no MinGW runtime DLL, whose
#     code each DLL carries itself;
#   - the library (PUBLIC_LIBRARY) exports nothing but its C interface, the
#     functions named KelvaraLib_....
#
#   cmake -DOBJDUMP=<objdump> -DPUBLIC_LIBRARY=<dll> [-DLIBRARIES=<dll|dll...>]
#         -P CheckDlls.cmake
cmake_minimum_required(VERSION 3.25)

# Reads a DLL's imports ("<dll> <name>") and exports (names) from objdump.
function(read_tables dll imports_out exports_out)
  execute_process(COMMAND "${OBJDUMP}" -p "${dll}"
    OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT listing MATCHES "DLL Name:")
    message(FATAL_ERROR "${OBJDUMP} read no imports of ${dll}: ${errors}")
  endif()
  string(REPLACE ";" "\\;" listing "${listing}")
  string(REPLACE "\n" ";" lines "${listing}")
  set(from "")
  set(imports "")
  set(exports "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^\tDLL Name: (.+)$")
      set(from "${CMAKE_MATCH_1}")
      list(APPEND imports "${from} ")
    elseif(from AND line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([^ ]+)")
      list(APPEND imports "${from} ${CMAKE_MATCH_1}")
    elseif(line MATCHES "^\t\\[ *[0-9]+\\] ([^ ]+)$")
      list(APPEND exports "${CMAKE_MATCH_1}")
    elseif(line STREQUAL "")
      set(from "")
    endif()
  endforeach()
  set(${imports_out} "${imports}" PARENT_SCOPE)
  set(${exports_out} "${exports}" PARENT_SCOPE)
endfunction()

# Windows' own DLLs: the C runtime, the kernel and the API sets.
set(system "^(KERNEL32|ADVAPI32|USER32|WS2_32|ntdll|msvcrt|ucrtbase|api-ms-win-[^ ]+)\\.dll$")
set(siblings "^(KelvaraLib|KelvaraLibDriver)\\.dll$")

string(REPLACE "|" ";" LIBRARIES "${LIBRARIES}")
set(failures "")
foreach(dll IN LISTS LIBRARIES PUBLIC_LIBRARY)
  read_tables("${dll}" imports exports)
  foreach(import IN LISTS imports)
    string(REGEX MATCH "^[^ ]+" from "${import}")
    string(REGEX REPLACE "^[^ ]+ " "" name "${import}")
    if(NOT name)
      string(TOLOWER "${from}" lower)
      if(lower MATCHES "^(wpi|ntcore)")
        string(APPEND failures "${dll}: needs WPILib: ${from}\n")
      elseif(NOT from MATCHES "${system}" AND NOT from MATCHES "${siblings}")
        string(APPEND failures "${dll}: needs a DLL that is not Windows' or KelvaraLib's: ${from}\n")
      endif()
    elseif(name MATCHES "3wpi")
      string(APPEND failures "${dll}: names WPILib: imports ${name}\n")
    elseif(name MATCHES "^HAL(SIM)?_")
      string(APPEND failures "${dll}: names WPILib's HAL: imports ${name}\n")
    endif()
  endforeach()
  foreach(name IN LISTS exports)
    if(name MATCHES "3wpi")
      string(APPEND failures "${dll}: names WPILib: exports ${name}\n")
    endif()
  endforeach()
endforeach()

read_tables("${PUBLIC_LIBRARY}" imports exports)
foreach(name IN LISTS exports)
  if(NOT name MATCHES "^KelvaraLib_")
    string(APPEND failures "${PUBLIC_LIBRARY}: exports outside its C interface: ${name}\n")
  endif()
endforeach()

if(failures)
  message(NOTICE "${failures}")
  message(FATAL_ERROR "the DLL check failed")
endif()
message(STATUS "Checked the imports and exports of: ${PUBLIC_LIBRARY};${LIBRARIES}")
