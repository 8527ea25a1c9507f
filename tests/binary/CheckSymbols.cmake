# Checks the dynamic symbols of the project's shared libraries (and the
# external ones of its static library):
#   - no symbol, defined or undefined, of any library mentions the wpi
#     namespace once demangled, so that the binaries link with every WPILib
#     build;
#   - no library names a function of WPILib's HAL (HAL_..., HALSIM_...) or
#     needs a WPILib library (libwpi..., libntcore...) to load: the
#     simulated driver finds the HAL at run time, where there is one;
#   - the library (PUBLIC_LIBRARY) exports nothing but its C interface, the
#     functions named KelvaraLib_..., so that any compiler and standard
#     library can link with it; only the linker's marks of where sections
#     end (with OBJDUMP) may stand beside them.
#
#   cmake -DNM=<nm> [-DOBJDUMP=<objdump>] -DPUBLIC_LIBRARY=<file>
#         [-DLIBRARIES=<file|file...>] -P CheckSymbols.cmake
# Without OBJDUMP the libraries that each one needs are not checked.
cmake_minimum_required(VERSION 3.25)

# One entry per dynamic symbol, "<nm type> <name>"; demangled with -C. For a
# static library (the recording driver), what its objects link with: their
# external symbols.
function(read_symbols library options out)
  set(table -D)
  if(library MATCHES "\\.a$")
    set(table -g)
  endif()
  execute_process(COMMAND "${NM}" ${table} ${options} "${library}"
    OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${library}: ${errors}")
  endif()
  string(REPLACE ";" "\\;" listing "${listing}")
  string(REPLACE "\n" ";" lines "${listing}")
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
    execute_process(COMMAND "${OBJDUMP}" -p "${library}"
      OUTPUT_VARIABLE headers ERROR_VARIABLE errors RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "${OBJDUMP} failed on ${library}: ${errors}")
    endif()
    string(REGEX MATCHALL "NEEDED +[^\n]+" needed "${headers}")
    foreach(entry IN LISTS needed)
      if(entry MATCHES "NEEDED +(lib(wpi|ntcore)[^ ]*)")
        string(APPEND failures "${library}: needs WPILib: ${CMAKE_MATCH_1}\n")
      endif()
    endforeach()
  endif()
endforeach()

# Symbols that the linker makes, not the code: marks of where sections end,
# such as _edata, _end and __bss_start, which a library linked against a C++
# runtime that exports them (as Debian's libc++ does) exports too. They are
# neither function nor object and have no size, which no symbol defined by
# C++ code is. objdump -T columns: address, seven flag characters (the last
# F, f or O for a function, file or object), section, size, version, name.
set(linker_made "")
if(OBJDUMP)
  execute_process(COMMAND "${OBJDUMP}" -T "${PUBLIC_LIBRARY}"
    OUTPUT_VARIABLE table ERROR_VARIABLE errors RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} failed on ${PUBLIC_LIBRARY}: ${errors}")
  endif()
  string(REPLACE ";" "\\;" table "${table}")
  string(REPLACE "\n" ";" lines "${table}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-fA-F]+ ......  ([^ \t]+)\t0+ .* ([^ ]+)$"
       AND NOT CMAKE_MATCH_1 STREQUAL "*UND*")
      list(APPEND linker_made "${CMAKE_MATCH_2}")
    endif()
  endforeach()
endif()
read_symbols("${PUBLIC_LIBRARY}" "" symbols)
foreach(symbol IN LISTS symbols)
  string(SUBSTRING "${symbol}" 0 1 type)
  string(SUBSTRING "${symbol}" 2 -1 name)
  if(type MATCHES "^[Uvw]$" OR name MATCHES "^KelvaraLib_"
     OR name IN_LIST linker_made)
    continue()  # undefined, a weak reference, the C interface, or the linker's
  endif()
  string(APPEND failures
    "${PUBLIC_LIBRARY}: exports outside its C interface: ${symbol}\n")
endforeach()

if(failures)
  message(NOTICE "${failures}")
  message(FATAL_ERROR "the symbol check failed")
endif()
message(STATUS "Checked the dynamic symbols of: ${PUBLIC_LIBRARY};${LIBRARIES}")
