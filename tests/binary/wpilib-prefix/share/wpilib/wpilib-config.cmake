# A WPILib 2027 prefix as WPILib's own CMake build installs it: this config
# file with the shared libraries wpilibc, wpimath, wpiutil and the HAL, their
# headers in include/, and no version file. BuildWithSystemWpilib.cmake puts
# the project's WPILib stand-in there and builds the libraries, which define
# nothing that KelvaraLib uses: a library of ours that needs one links WPILib
# for nothing.
get_filename_component(_wpilib_fixture_prefix
  "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
if(NOT TARGET wpiutil)
  foreach(_wpilib_fixture_target IN ITEMS wpiutil wpiHal wpimath wpilibc)
    add_library(${_wpilib_fixture_target} SHARED IMPORTED)
    set_target_properties(${_wpilib_fixture_target} PROPERTIES IMPORTED_LOCATION
      "${_wpilib_fixture_prefix}/lib/lib${_wpilib_fixture_target}.so")
  endforeach()
  # As in WPILib, the headers come with the lowest library, through the others.
  set_target_properties(wpiutil PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${_wpilib_fixture_prefix}/include")
  set_target_properties(wpiHal PROPERTIES INTERFACE_LINK_LIBRARIES wpiutil)
  set_target_properties(wpimath PROPERTIES INTERFACE_LINK_LIBRARIES wpiutil)
  set_target_properties(wpilibc PROPERTIES
    INTERFACE_LINK_LIBRARIES "wpiHal;wpimath;wpiutil")
endif()
