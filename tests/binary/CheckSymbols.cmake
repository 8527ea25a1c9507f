# Checks the dynamic symbols of the project's shared libraries (and the
# external ones of its static library):
#   - no symbol, defined or undefined, of any library mentions the wpi
#     namespace once demangled, so that the binaries link with every WPILib
#     build;
#   - no library names a function of WPILib's HAL (HAL_..., HALSIM_...) or
#     needs a WPILib library (libwpi..., libntcore...) to load: the
#     simulated driver finds the HAL at run time, where there is one;
#   - every library exports C names only: the library (PUBLIC_LIBRARY) the
#     functions named KelvaraLib_..., the others KELVARA_..., KelvaraSim_...
#     and KelvaraRecording_...; only the linker's marks of where sections
#     end (with OBJDUMP) may stand beside them;
#   - programs built on the headers (CONSUMERS) reference no C++ name of
#     KelvaraLib's.
#
#   cmake -DNM=<nm> [-DOBJDUMP=<objdump>] -DPUBLIC_LIBRARY=<file>
#         [-DLIBRARIES=<file|file...>] [-DCONSUMERS=<file|file...>]
#         -P CheckSymbols.cmake
# Without OBJDUMP the libraries that each one needs are not checked.
cmake_minimum_required(VERSION 3.25)

# Runs a tool on a library, the library's path last, and gives what it
# printed, one list entry per line; a tool that fails ends the check.
function(read_listing out library tool)
  execute_process(COMMAND "${tool}" ${ARGN} "${library}"
    OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${tool} failed on ${library}: ${errors}")
  endif()
  string(REPLACE ";" "\\;" listing "${listing}")
  string(REPLACE "\n" ";" lines "${listing}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

# One entry per dynamic symbol, "<nm type> <name>"; demangled with -C. For a
# static library (the recording driver), what its objects link with: their
# external symbols.
function(read_symbols library options out)
  set(table -D)
  if(library MATCHES "\\.a$")
    set(table -g)
  endif()
  read_listing(lines "${library}" "${NM}" ${table} ${options})
  set(symbols "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-fA-F]* *([A-Za-z]) (.+)$")
      list(APPEND symbols "${CMAKE_MATCH_1} ${CMAKE_MATCH_2}")
    endif()
  endforeach()
  if(NOT symbols)
    message(FATAL_ERROR "${library}: no dynamic symbols read")
  endif()
  set(${out} "${symbols}" PARENT_SCOPE)
endfunction()

string(REPLACE "|" ";" LIBRARIES "${LIBRARIES}")
set(failures "")
foreach(library IN LISTS LIBRARIES PUBLIC_LIBRARY)
  read_symbols("${library}" "-C" symbols)
  foreach(symbol IN LISTS symbols)
    if(symbol MATCHES "wpi::")
      string(APPEND failures "${library}: names WPILib: ${symbol}\n")
    elseif(symbol MATCHES "^. HAL(SIM)?_")
      string(APPEND failures "${library}: names WPILib's HAL: ${symbol}\n")
    endif()
  endforeach()
  if(OBJDUMP AND NOT library MATCHES "\\.a$")
    read_listing(headers "${library}" "${OBJDUMP}" -p)
    foreach(entry IN LISTS headers)
      if(entry MATCHES "NEEDED +(lib(wpi|ntcore)[^ ]*)")
        string(APPEND failures "${library}: needs WPILib: ${CMAKE_MATCH_1}\n")
      endif()
    endforeach()
  endif()
endforeach()

# Names in a library's symbol table that are not exports of its code: the
# marks of where sections end that the linker makes (such as _edata, _end
# and __bss_start, which a library linked against a C++ runtime that exports
# them, as Debian's libc++ does, exports too), and in a static library the
# hidden symbols, which never leave the program they are linked into.
# Linker marks are neither function nor object and have no size, which no
# symbol defined by code is. objdump -T columns: address, seven flag
# characters (the last F, f or O for a function, file or object), section,
# size, version, name; objdump -t marks hidden symbols ".hidden".
function(read_non_exports library out)
  set(names "")
  if(OBJDUMP)
    set(table -T)
    if(library MATCHES "\\.a$")
      set(table -t)
    endif()
    read_listing(lines "${library}" "${OBJDUMP}" ${table})
    foreach(line IN LISTS lines)
      if(line MATCHES "^[0-9a-fA-F]+ ......  ([^ \t]+)\t0+ .* ([^ ]+)$"
         AND NOT CMAKE_MATCH_1 STREQUAL "*UND*")
        list(APPEND names "${CMAKE_MATCH_2}")
      elseif(line MATCHES " \\.hidden ([^ ]+)$")
        list(APPEND names "${CMAKE_MATCH_1}")
      endif()
    endforeach()
  endif()
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

# Every library exports C names only, each its own: KelvaraLib its C
# interface, the drivers the driver module's functions and their control
# interfaces. So any compiler and standard library can link with them.
foreach(library IN LISTS PUBLIC_LIBRARY LIBRARIES)
  set(own "^(KELVARA|KelvaraSim|KelvaraRecording)_")
  if(library STREQUAL PUBLIC_LIBRARY)
    set(own "^KelvaraLib_")
  endif()
  read_non_exports("${library}" non_exports)
  read_symbols("${library}" "" symbols)
  foreach(symbol IN LISTS symbols)
    string(SUBSTRING "${symbol}" 0 1 type)
    string(SUBSTRING "${symbol}" 2 -1 name)
    if(type MATCHES "^[Uvw]$" OR name MATCHES "${own}"
       OR name IN_LIST non_exports)
      continue()  # undefined, a weak reference, its own, or no export
    endif()
    string(APPEND failures
      "${library}: exports outside its C interface: ${symbol}\n")
  endforeach()
endforeach()

# Programs built on the public headers (CONSUMERS) reach the libraries
# through the C interface only: none of their undefined symbols is a C++
# name of KelvaraLib's, which would tie them to the compiler and standard
# library the libraries were built with. Each must reference the C
# interface, or the check read the wrong program.
string(REPLACE "|" ";" CONSUMERS "${CONSUMERS}")
foreach(consumer IN LISTS CONSUMERS)
  read_symbols("${consumer}" "-C" symbols)
  set(calls_c_interface FALSE)
  foreach(symbol IN LISTS symbols)
    if(symbol MATCHES "^U .*kelvara::")
      string(APPEND failures
        "${consumer}: reaches KelvaraLib by a C++ name: ${symbol}\n")
    elseif(symbol MATCHES "^U Kelvara(Lib|Sim)_")
      set(calls_c_interface TRUE)
    endif()
  endforeach()
  if(NOT calls_c_interface)
    string(APPEND failures "${consumer}: calls no function of the C interface\n")
  endif()
endforeach()

if(failures)
  message(NOTICE "${failures}")
  message(FATAL_ERROR "the symbol check failed")
endif()
message(STATUS "Checked the dynamic symbols of: ${PUBLIC_LIBRARY};${LIBRARIES}")
