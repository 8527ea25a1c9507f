# A WPILib 2027 prefix as WPILib's own CMake build installs it: this config
# file with the targets wpilibc, wpimath and wpiutil, and no version file.
# Its headers are the project's WPILib stand-in.
get_filename_component(_wpilib_fixture_root
  "${CMAKE_CURRENT_LIST_DIR}/../../../../.." ABSOLUTE)
if(NOT TARGET wpiutil)
  add_library(wpiutil INTERFACE IMPORTED)
  set_target_properties(wpiutil PROPERTIES INTERFACE_INCLUDE_DIRECTORIES
    "${_wpilib_fixture_root}/compat/wpilib/include")
  add_library(wpimath INTERFACE IMPORTED)
  target_link_libraries(wpimath INTERFACE wpiutil)
  add_library(wpilibc INTERFACE IMPORTED)
  target_link_libraries(wpilibc INTERFACE wpimath wpiutil)
endif()
