# Installs the library, its public headers, the drivers for simulation and
# tests, a CMake package (find_package(KelvaraLib)) and a pkg-config file.
# With KELVARA_INSTALL_SIM_DRIVER off (a robot image) the simulated driver
# stays out: installed as libKelvaraLibDriver.so it would take the real
# driver module's place, for the robot's loader and for a later configure.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(_kelvara_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/KelvaraLib)
set(_kelvara_targets KelvaraLib KelvaraDriverHeaders)
if(NOT WIN32)
  list(APPEND _kelvara_targets KelvaraRecordingDriver)
endif()
if(KELVARA_INSTALL_SIM_DRIVER)
  list(APPEND _kelvara_targets KelvaraSimDriver)
endif()
if(KELVARA_USING_WPILIB_STANDIN)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/compat/wpilib/include/wpi
    DESTINATION ${KELVARA_STANDIN_INCLUDEDIR})
endif()

install(TARGETS ${_kelvara_targets}
  EXPORT KelvaraLibTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(WIN32)
  # On Windows the recording driver is a KelvaraLibDriver.dll too
  # (testing/CMakeLists.txt), so it has folders of its own, where it cannot
  # take the simulated driver's place: a team's tests load it from beside
  # their executable.
  install(TARGETS KelvaraRecordingDriver
    EXPORT KelvaraLibTargets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}/kelvara-recording-driver
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}/kelvara-recording-driver)
endif()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kelvara
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/testing/include/kelvara/testing
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kelvara)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/driver
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kelvara
  FILES_MATCHING PATTERN "*.hpp")
if(KELVARA_INSTALL_SIM_DRIVER)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/sim/include/kelvara/sim
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kelvara)
endif()

install(EXPORT KelvaraLibTargets
  NAMESPACE Kelvara::
  DESTINATION ${_kelvara_cmake_dir})

configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/KelvaraLibConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KelvaraLibConfig.cmake
  INSTALL_DESTINATION ${_kelvara_cmake_dir}
  PATH_VARS KELVARA_STANDIN_INCLUDEDIR)
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/KelvaraLibConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/KelvaraLibConfig.cmake
  ${PROJECT_BINARY_DIR}/KelvaraLibConfigVersion.cmake
  ${PROJECT_SOURCE_DIR}/cmake/KelvaraFindWpilib.cmake
  DESTINATION ${_kelvara_cmake_dir})

# Also include/kelvara, where the driver headers are found as "driver/...",
# as through the DriverHeaders target: the recording driver's header includes
# the list of driver functions from there.
set(KELVARA_PC_CFLAGS "-I\${includedir} -I\${includedir}/kelvara")
if(KELVARA_USING_WPILIB_STANDIN)
  string(APPEND KELVARA_PC_CFLAGS " -I\${prefix}/${KELVARA_STANDIN_INCLUDEDIR}")
endif()
# The prefix is found from the file's own place, so an install moved or made
# with `cmake --install --prefix` still points to itself.
file(RELATIVE_PATH KELVARA_PC_TO_PREFIX
  "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" KELVARA_PC_TO_PREFIX "${KELVARA_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/kelvaralib.pc.in
  ${PROJECT_BINARY_DIR}/kelvaralib.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kelvaralib.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
