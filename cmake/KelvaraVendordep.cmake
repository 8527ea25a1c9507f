# The vendor package through which robot teams' WPILib projects take the
# library: `cmake --build <build> --target vendordep` writes
# <build>/vendordep/KelvaraLib.json and the Maven repository
# <build>/vendordep/maven/. It makes its own builds of the libraries, release
# and debug, for the robot controller (aarch64, cross-compiled) and for the
# desktops (x86-64 Linux, and 64-bit Windows cross-compiled with MinGW-w64),
# in <build>/vendordep-build/; see KelvaraVendordepBuild.cmake.
# `--target vendordep-check` also checks the package.

set(KELVARA_VENDORDEP_GROUP_ID "com.kelvara" CACHE STRING
  "Maven group of the vendor package's artifacts")
set(KELVARA_VENDORDEP_WPILIB_YEAR "2027_alpha5" CACHE STRING
  "wpilibYear of KelvaraLib.json: the year string of the WPILib that robot projects use")
set(KELVARA_VENDORDEP_MAVEN_URLS "" CACHE STRING
  "Maven repositories that KelvaraLib.json names (a list); empty: the package's own maven/ folder, as a file URL")
set(KELVARA_VENDORDEP_JSON_URL "" CACHE STRING
  "Where robot projects can fetch a newer KelvaraLib.json; may stay empty")
set(KELVARA_VENDORDEP_DRIVER "" CACHE STRING
  "Maven coordinates GROUP:ARTIFACT:VERSION of the real driver module, listed as the package's hwsim artifact")
set(KELVARA_VENDORDEP_DRIVER_PLATFORMS "linuxsystemcore;linuxarm64;linuxx86-64" CACHE STRING
  "Platforms for which the real driver module is published")
set(KELVARA_VENDORDEP_JOBS 2 CACHE STRING "Parallel jobs of each of the package's builds")

if(NOT CMAKE_HOST_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$")
  message(STATUS "KelvaraLib: no vendordep target: the package's desktop libraries "
    "are built natively, which needs an x86-64 build machine")
  return()
endif()

set(_kelvara_vendordep_out ${PROJECT_BINARY_DIR}/vendordep)
set(_kelvara_maven_urls "${KELVARA_VENDORDEP_MAVEN_URLS}")
if(NOT _kelvara_maven_urls)
  set(_kelvara_maven_urls "file://${_kelvara_vendordep_out}/maven")
endif()

set(_kelvara_driver_coordinates "")
if(KELVARA_VENDORDEP_DRIVER)
  string(REPLACE ":" ";" _kelvara_driver_coordinates "${KELVARA_VENDORDEP_DRIVER}")
  list(LENGTH _kelvara_driver_coordinates _kelvara_parts)
  if(NOT _kelvara_parts EQUAL 3)
    message(FATAL_ERROR "KELVARA_VENDORDEP_DRIVER is \"${KELVARA_VENDORDEP_DRIVER}\", "
      "not GROUP:ARTIFACT:VERSION")
  endif()
  message(STATUS "KelvaraLib vendordep: the real driver module is "
    "${KELVARA_VENDORDEP_DRIVER} (hwsim, ${KELVARA_VENDORDEP_DRIVER_PLATFORMS})")
else()
  message(STATUS "KelvaraLib vendordep: KELVARA_VENDORDEP_DRIVER is not set, so "
    "KelvaraLib.json lists only what this project builds and NOT the real driver "
    "module: a robot program then finds libKelvaraLibDriver.so only if the robot's "
    "image has it installed")
endif()
message(STATUS "KelvaraLib vendordep: wpilibYear ${KELVARA_VENDORDEP_WPILIB_YEAR}, "
  "mavenUrls ${_kelvara_maven_urls}, jsonUrl \"${KELVARA_VENDORDEP_JSON_URL}\"")

# Everything the package build reads, for the script to include.
set(_kelvara_vendordep_settings ${PROJECT_BINARY_DIR}/KelvaraVendordepSettings.cmake)
file(CONFIGURE OUTPUT ${_kelvara_vendordep_settings} CONTENT [[
set(SOURCE_DIR "@PROJECT_SOURCE_DIR@")
set(WORK_DIR "@PROJECT_BINARY_DIR@/vendordep-build")
set(OUT_DIR "@_kelvara_vendordep_out@")
set(VERSION "@PROJECT_VERSION@")
set(GROUP_ID "@KELVARA_VENDORDEP_GROUP_ID@")
set(WPILIB_YEAR "@KELVARA_VENDORDEP_WPILIB_YEAR@")
set(MAVEN_URLS "@_kelvara_maven_urls@")
set(JSON_URL "@KELVARA_VENDORDEP_JSON_URL@")
set(DRIVER "@_kelvara_driver_coordinates@")
set(DRIVER_PLATFORMS "@KELVARA_VENDORDEP_DRIVER_PLATFORMS@")
set(JOBS "@KELVARA_VENDORDEP_JOBS@")
set(GENERATOR "@CMAKE_GENERATOR@")
set(WERROR "@KELVARA_WERROR@")
set(TOOLCHAIN "@PROJECT_SOURCE_DIR@/cmake/toolchains/aarch64-linux-gnu.cmake")
set(WINDOWS_TOOLCHAIN "@PROJECT_SOURCE_DIR@/cmake/toolchains/x86_64-w64-mingw32.cmake")
]] @ONLY)

add_custom_target(vendordep
  COMMAND ${CMAKE_COMMAND} -DSETTINGS=${_kelvara_vendordep_settings}
    -P ${PROJECT_SOURCE_DIR}/cmake/KelvaraVendordepBuild.cmake
  COMMENT "Building the vendor package in ${_kelvara_vendordep_out}"
  USES_TERMINAL VERBATIM)

find_package(Python3 COMPONENTS Interpreter QUIET)
if(Python3_Interpreter_FOUND)
  set(_kelvara_external "")
  if(_kelvara_driver_coordinates)
    list(GET _kelvara_driver_coordinates 0 _kelvara_group)
    list(GET _kelvara_driver_coordinates 1 _kelvara_artifact)
    set(_kelvara_external --external ${_kelvara_group}:${_kelvara_artifact})
  endif()
  add_custom_target(vendordep-check
    COMMAND ${Python3_EXECUTABLE} -B ${PROJECT_SOURCE_DIR}/tools/check_vendordep.py
      ${_kelvara_vendordep_out}/KelvaraLib.json ${_kelvara_vendordep_out}/maven
      ${_kelvara_external}
    COMMENT "Checking the vendor package"
    USES_TERMINAL VERBATIM)
  add_dependencies(vendordep-check vendordep)
endif()
