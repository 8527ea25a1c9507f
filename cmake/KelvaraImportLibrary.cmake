# kelvara_import_library(<dll> <lib>): writes an import library in the short
# format that MSVC's linker reads, importing every name in the DLL's export
# table. Needs OBJDUMP (MinGW-w64's objdump) and DLLTOOL (llvm-dlltool).
function(kelvara_import_library dll lib)
  get_filename_component(name "${dll}" NAME)
  execute_process(COMMAND "${OBJDUMP}" -p "${dll}" OUTPUT_VARIABLE dump
    RESULT_VARIABLE result)
  string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
  if(NOT result EQUAL 0 OR at EQUAL -1)
    message(FATAL_ERROR "${dll} has no export table (objdump: ${result})")
  endif()
  string(SUBSTRING "${dump}" ${at} -1 dump)
  string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] [^ \t\n]+" exports "${dump}")
  string(REGEX REPLACE "\n\t\\[ *[0-9]+\\] " "\n  " exports "${exports}")
  string(REPLACE ";" "" exports "${exports}")
  set(def "${lib}.def")
  file(WRITE "${def}" "LIBRARY ${name}\nEXPORTS${exports}\n")
  execute_process(COMMAND "${DLLTOOL}" -m i386:x86-64 -d "${def}" -D "${name}"
      -l "${lib}"
    RESULT_VARIABLE result ERROR_VARIABLE errors)
  file(REMOVE "${def}")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${DLLTOOL} could not make ${lib}: ${errors}")
  endif()
endfunction()
