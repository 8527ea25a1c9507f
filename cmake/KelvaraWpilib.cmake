# Chooses the WPILib that the library builds against and provides it as the
# target KelvaraWpilib: an installed WPILib 2027 when one is found (or
# required), the project's stand-in otherwise.
add_library(KelvaraWpilib INTERFACE)
set_target_properties(KelvaraWpilib PROPERTIES EXPORT_NAME Wpilib)

set(_kelvara_wpilib_found FALSE)
if(NOT KELVARA_WPILIB STREQUAL "STANDIN")
  find_package(wpilib 2027 CONFIG QUIET)
  if(wpilib_FOUND)
    set(_kelvara_wpilib_found TRUE)
  elseif(KELVARA_WPILIB STREQUAL "SYSTEM")
    message(FATAL_ERROR "KELVARA_WPILIB=SYSTEM but no WPILib 2027 was found")
  endif()
endif()

if(_kelvara_wpilib_found)
  message(STATUS "KelvaraLib: building against the installed WPILib ${wpilib_VERSION}")
  target_link_libraries(KelvaraWpilib INTERFACE wpilibc wpimath wpiutil)
  set(KELVARA_USING_WPILIB_STANDIN FALSE)
else()
  message(STATUS "KelvaraLib: building against the WPILib stand-in in compat/wpilib")
  add_subdirectory(${PROJECT_SOURCE_DIR}/compat/wpilib)
  target_link_libraries(KelvaraWpilib INTERFACE KelvaraWpilibStandIn)
  set(KELVARA_USING_WPILIB_STANDIN TRUE)
endif()
