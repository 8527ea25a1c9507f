# kelvara_find_wpilib(<result>): looks for an installed WPILib 2027 and sets
# <result> to TRUE when one is found, with its targets wpilibc, wpimath and
# wpiutil defined.
#
# WPILib's own CMake build installs share/wpilib/wpilib-config.cmake without a
# version file, so the search asks for no version: an install that reports
# none is taken, one that reports a version must be of 2027.
macro(kelvara_find_wpilib result)
  set(${result} FALSE)
  find_package(wpilib CONFIG QUIET)
  if(wpilib_FOUND AND TARGET wpilibc AND TARGET wpimath AND TARGET wpiutil)
    if("${wpilib_VERSION}" STREQUAL "" OR wpilib_VERSION_MAJOR EQUAL 2027)
      set(${result} TRUE)
    else()
      message(STATUS "KelvaraLib: ignoring WPILib ${wpilib_VERSION} at ${wpilib_DIR}: not 2027")
    endif()
  endif()
endmacro()
