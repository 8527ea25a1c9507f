# Warnings for the project's own code: on, and treated as errors when
# KELVARA_WERROR is set.
function(kelvara_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual
    $<$<BOOL:${KELVARA_WERROR}>:-Werror>)
endfunction()
