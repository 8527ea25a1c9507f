# Warnings for the project's own code: on, and treated as errors when
# KELVARA_WERROR is set.
function(kelvara_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual
    $<$<BOOL:${KELVARA_WERROR}>:-Werror>)
endfunction()

# A library whose only interface is C: hidden by default, with the functions
# marked KELVARA_EXPORT (include/kelvara/Export.h) exported and nothing else.
# On ELF a version script also keeps the C++ runtime's inline code that the
# library instantiates out of its dynamic symbols.
#
# On Windows such a library is a DLL whose interface is exactly its
# dllexport functions: once a DLL has one, MinGW's linker exports nothing
# else (without any, it would export every global symbol).
function(kelvara_c_interface target)
  set_target_properties(${target} PROPERTIES
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_compile_definitions(${target} PRIVATE KELVARA_EXPORTING)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY" AND NOT WIN32 AND NOT APPLE)
    target_link_options(${target} PRIVATE
      "LINKER:--version-script=${PROJECT_SOURCE_DIR}/cmake/KelvaraExports.map")
    set_property(TARGET ${target} APPEND PROPERTY
      LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/KelvaraExports.map)
  endif()
endfunction()

# Windows: every DLL and program that the project builds carries its own copy
# of MinGW's C++ runtime (libstdc++, libgcc and winpthread; -static links all
# three from their archives, where -static-libgcc -static-libstdc++ would
# leave winpthread a DLL). A KelvaraLib DLL then imports only Windows' own
# DLLs and its sibling KelvaraLib DLLs, so a robot project built with any
# compiler loads it with no MinGW DLLs beside it. A DLL with no dllexport
# function exports every global symbol, but never the runtime's that came
# from those archives (--exclude-libs).
if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_link_options(-static LINKER:--exclude-libs,libgcc_eh.a:libpthread.a:libwinpthread.a)
endif()
