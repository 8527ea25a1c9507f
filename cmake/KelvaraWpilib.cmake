# Chooses the WPILib that the library builds against and provides it as the
# target KelvaraWpilib: an installed WPILib 2027 when one is found (or
# required), the project's stand-in otherwise. Only the inline code of the
# public headers uses it; the compiled libraries name no WPILib type and
# link none of WPILib's libraries.
include(${CMAKE_CURRENT_LIST_DIR}/KelvaraFindWpilib.cmake)

add_library(KelvaraWpilib INTERFACE)

set(_kelvara_wpilib_found FALSE)
if(NOT KELVARA_WPILIB STREQUAL "STANDIN")
  kelvara_find_wpilib(_kelvara_wpilib_found)
  if(NOT _kelvara_wpilib_found AND KELVARA_WPILIB STREQUAL "SYSTEM")
    message(FATAL_ERROR "KELVARA_WPILIB=SYSTEM but no WPILib 2027 was found "
      "(looked for share/wpilib/wpilib-config.cmake with the targets wpilibc, "
      "wpimath and wpiutil; CMAKE_PREFIX_PATH names where to look)")
  endif()
endif()

if(_kelvara_wpilib_found)
  if(wpilib_VERSION)
    message(STATUS "KelvaraLib: building against the installed WPILib ${wpilib_VERSION} (${wpilib_DIR})")
  else()
    message(STATUS "KelvaraLib: building against the installed WPILib at ${wpilib_DIR}")
  endif()
  # WPILib's headers and their definitions only, gathered through its
  # targets' dependencies, never its libraries: the compiled code uses no
  # WPILib symbol, and a library linking WPILib's shared libraries would load
  # them (and the HAL) wherever it is loaded, the demo and the tests too.
  foreach(_kelvara_wpilib_target IN ITEMS wpilibc wpimath wpiutil)
    target_include_directories(KelvaraWpilib SYSTEM INTERFACE
      $<TARGET_PROPERTY:${_kelvara_wpilib_target},INTERFACE_INCLUDE_DIRECTORIES>)
    target_compile_definitions(KelvaraWpilib INTERFACE
      $<TARGET_PROPERTY:${_kelvara_wpilib_target},INTERFACE_COMPILE_DEFINITIONS>)
  endforeach()
  set(KELVARA_USING_WPILIB_STANDIN FALSE)
else()
  message(STATUS "KelvaraLib: building against the WPILib stand-in in compat/wpilib")
  add_subdirectory(${PROJECT_SOURCE_DIR}/compat/wpilib)
  target_link_libraries(KelvaraWpilib INTERFACE KelvaraWpilibStandIn)
  set(KELVARA_USING_WPILIB_STANDIN TRUE)
endif()
