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
