# Builds the vendor package (run by the vendordep target, with
# -DSETTINGS=<the settings file that KelvaraVendordep.cmake writes>).
#
# Four builds of the libraries: release and debug, for aarch64 (the robot
# controller, and ARM desktops and coprocessors: platforms linuxsystemcore and
# linuxarm64) and for x86-64 (the desktop: linuxx86-64). Each is built
# without versioned names, so that every shared library's file name,
# lib<libName>.so, is also its SONAME. Their files go into these artifacts:
#   KelvaraLib-cpp          the library, on every platform (no simMode)
#   KelvaraLibDriver-sim    the simulated driver module and its control
#                           headers, for desktop simulation (swsim)
#   KelvaraLib-testing      the recording driver, a static library for
#                           unit tests; not listed in KelvaraLib.json, since
#                           every listed artifact goes into every desktop
#                           program, where it would take the simulated
#                           driver's place
# and, when its coordinates are configured, the real driver module is listed
# as the hwsim artifact, published by its own vendor.
cmake_minimum_required(VERSION 3.25)
include(${SETTINGS})

# The package's builds are builds of their own, whatever make runs this.
unset(ENV{MAKEFLAGS})
unset(ENV{MFLAGS})
unset(ENV{MAKELEVEL})

# Identifies the library for good: never changes between versions.
set(UUID "16068234-a2ac-40eb-ab27-82e51ae82793")
set(LIB_ARTIFACT KelvaraLib-cpp)
set(SIM_ARTIFACT KelvaraLibDriver-sim)
set(TESTING_ARTIFACT KelvaraLib-testing)
set(ROBOT_PLATFORMS linuxsystemcore linuxarm64)
set(DESKTOP_PLATFORMS linuxx86-64)
set(platform_dir_linuxsystemcore linux/systemcore)
set(platform_dir_linuxarm64 linux/arm64)
set(platform_dir_linuxx86-64 linux/x86-64)

function(run what log)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_FILE ${log}
    ERROR_FILE ${log})
  if(NOT result EQUAL 0)
    file(READ ${log} output)
    message(FATAL_ERROR "${output}\n${what} failed (${result}); the log is ${log}")
  endif()
endfunction()

# Builds and installs one configuration into <dir>/stage. The compiled
# libraries name no WPILib type, so the stand-in builds the same binaries as
# any WPILib would (and the cross sysroot holds none).
function(build_libraries name build_type toolchain)
  set(dir ${WORK_DIR}/${name})
  set(options -DCMAKE_BUILD_TYPE=${build_type} -DCMAKE_INSTALL_LIBDIR=lib
    -DKELVARA_BUILD_TESTS=OFF -DKELVARA_BUILD_EXAMPLES=OFF
    -DKELVARA_BUILD_BENCHMARKS=OFF -DKELVARA_VERSIONED_LIBRARIES=OFF
    -DKELVARA_VENDORDEP=OFF -DKELVARA_WPILIB=STANDIN
    # Needs libKelvaraLibDriver.so by that name, whatever driver is installed.
    -DKELVARA_LINK_SIM_DRIVER=ON
    -DKELVARA_WERROR=${WERROR})
  if(toolchain)
    list(APPEND options -DCMAKE_TOOLCHAIN_FILE=${toolchain})
  endif()
  set(strip "")
  if(build_type STREQUAL "Release")
    set(strip --strip)
  endif()
  message(STATUS "Building ${name}")
  file(MAKE_DIRECTORY ${dir})
  run("Configuring ${name}" ${dir}/configure.log
    ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${dir} -G ${GENERATOR} ${options})
  run("Building ${name}" ${dir}/build.log
    ${CMAKE_COMMAND} --build ${dir} --config ${build_type} --parallel ${JOBS})
  file(REMOVE_RECURSE ${dir}/stage)
  run("Installing ${name}" ${dir}/install.log
    ${CMAKE_COMMAND} --install ${dir} --config ${build_type} --prefix ${dir}/stage ${strip})
endfunction()

build_libraries(linux-x86-64-release Release "")
build_libraries(linux-x86-64-debug Debug "")
build_libraries(linux-arm64-release Release ${TOOLCHAIN})
build_libraries(linux-arm64-debug Debug ${TOOLCHAIN})

# --- The Maven repository ----------------------------------------------------

file(REMOVE_RECURSE ${OUT_DIR} ${WORK_DIR}/zips)
string(REPLACE "." "/" group_path "${GROUP_ID}")

# Zips every file under <root>, in a fixed order and with fixed times, so
# that the same sources give the same zips.
function(zip_tree zip root)
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${root} ${root}/*)
  list(SORT files)
  get_filename_component(zip_dir ${zip} DIRECTORY)
  file(MAKE_DIRECTORY ${zip_dir})
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip
      "--mtime=2000-01-01 00:00:00" -- ${files}
    WORKING_DIRECTORY ${root} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Writing ${zip} failed")
  endif()
endfunction()

function(artifact_dir out artifact)
  set(${out} ${OUT_DIR}/maven/${group_path}/${artifact}/${VERSION} PARENT_SCOPE)
endfunction()

function(write_pom artifact)
  artifact_dir(dir ${artifact})
  file(WRITE ${dir}/${artifact}-${VERSION}.pom
"<?xml version=\"1.0\" encoding=\"UTF-8\"?>
<project xmlns=\"http://maven.apache.org/POM/4.0.0\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:schemaLocation=\"http://maven.apache.org/POM/4.0.0 http://maven.apache.org/xsd/maven-4.0.0.xsd\">
  <modelVersion>4.0.0</modelVersion>
  <groupId>${GROUP_ID}</groupId>
  <artifactId>${artifact}</artifactId>
  <version>${VERSION}</version>
  <packaging>pom</packaging>
</project>
")
endfunction()

# Zips the staged tree <WORK_DIR>/zips/<artifact>/<classifier> as the
# artifact's zip of that classifier.
function(zip_staged artifact classifier)
  artifact_dir(dir ${artifact})
  zip_tree(${dir}/${artifact}-${VERSION}-${classifier}.zip
    ${WORK_DIR}/zips/${artifact}/${classifier})
endfunction()

# Stages <source directory> as <destination> in the zip of that classifier;
# FILES_MATCHING patterns may follow.
function(stage_dir artifact classifier source destination)
  file(COPY ${source}/ DESTINATION ${WORK_DIR}/zips/${artifact}/${classifier}/${destination}
    FILES_MATCHING ${ARGN})
endfunction()

# One zip per platform and flavour, holding <os>/<arch>/<kind>/<file>.
function(zip_binaries artifact file kind suffix)
  foreach(platform IN LISTS ROBOT_PLATFORMS DESKTOP_PLATFORMS)
    if(NOT platform IN_LIST ARGN)
      continue()
    endif()
    if(platform IN_LIST ROBOT_PLATFORMS)
      set(arch arm64)
    else()
      set(arch x86-64)
    endif()
    foreach(flavour release debug)
      set(classifier ${platform}${suffix})
      if(flavour STREQUAL "debug")
        string(APPEND classifier debug)
      endif()
      file(COPY ${WORK_DIR}/linux-${arch}-${flavour}/stage/lib/${file}
        DESTINATION ${WORK_DIR}/zips/${artifact}/${classifier}/${platform_dir_${platform}}/${kind})
      zip_staged(${artifact} ${classifier})
    endforeach()
  endforeach()
endfunction()

set(sources PATTERN *.cpp PATTERN *.hpp)

# The library: its public headers only (the WPILib stand-in's are no part of
# it; robot projects bring WPILib).
write_pom(${LIB_ARTIFACT})
stage_dir(${LIB_ARTIFACT} headers ${SOURCE_DIR}/include/kelvara kelvara
  PATTERN *.hpp PATTERN *.h)
stage_dir(${LIB_ARTIFACT} sources ${SOURCE_DIR}/src "" ${sources})
zip_staged(${LIB_ARTIFACT} headers)
zip_staged(${LIB_ARTIFACT} sources)
zip_binaries(${LIB_ARTIFACT} libKelvaraLib.so shared ""
  ${ROBOT_PLATFORMS} ${DESKTOP_PLATFORMS})

# The simulated driver module with its control interface.
write_pom(${SIM_ARTIFACT})
stage_dir(${SIM_ARTIFACT} headers ${SOURCE_DIR}/sim/include/kelvara/sim kelvara/sim
  PATTERN *.hpp PATTERN *.h)
stage_dir(${SIM_ARTIFACT} sources ${SOURCE_DIR}/sim/src "" ${sources})
zip_staged(${SIM_ARTIFACT} headers)
zip_staged(${SIM_ARTIFACT} sources)
zip_binaries(${SIM_ARTIFACT} libKelvaraLibDriver.so shared "" ${DESKTOP_PLATFORMS})

# The recording driver, with the driver's declarations and record layouts
# that tests fill, included as "driver/DriverRecords.hpp".
write_pom(${TESTING_ARTIFACT})
stage_dir(${TESTING_ARTIFACT} headers ${SOURCE_DIR}/testing/include/kelvara/testing
  kelvara/testing PATTERN *.hpp PATTERN *.h)
stage_dir(${TESTING_ARTIFACT} headers ${SOURCE_DIR}/src/driver driver PATTERN *.hpp)
stage_dir(${TESTING_ARTIFACT} sources ${SOURCE_DIR}/testing/src "" ${sources})
zip_staged(${TESTING_ARTIFACT} headers)
zip_staged(${TESTING_ARTIFACT} sources)
zip_binaries(${TESTING_ARTIFACT} libKelvaraRecordingDriver.a static static
  ${DESKTOP_PLATFORMS})

# --- KelvaraLib.json ---------------------------------------------------------

function(json_string out value)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  set(${out} "\"${value}\"" PARENT_SCOPE)
endfunction()

function(json_string_array out)
  set(array "[]")
  set(index 0)
  foreach(item IN LISTS ARGN)
    json_string(item "${item}")
    string(JSON array SET "${array}" ${index} "${item}")
    math(EXPR index "${index} + 1")
  endforeach()
  set(${out} "${array}" PARENT_SCOPE)
endfunction()

# One cppDependencies entry: group artifact version libName simMode (or "")
# skipInvalidPlatforms, then the platforms.
function(cpp_dependency out group artifact version lib sim_mode skip)
  set(entry "{}")
  foreach(key IN ITEMS groupId:group artifactId:artifact version:version libName:lib)
    string(REPLACE ":" ";" pair ${key})
    list(GET pair 0 name)
    list(GET pair 1 variable)
    json_string(value "${${variable}}")
    string(JSON entry SET "${entry}" ${name} "${value}")
  endforeach()
  string(JSON entry SET "${entry}" headerClassifier "\"headers\"")
  if(NOT sim_mode STREQUAL "hwsim")
    string(JSON entry SET "${entry}" sourcesClassifier "\"sources\"")
  endif()
  json_string_array(platforms ${ARGN})
  string(JSON entry SET "${entry}" binaryPlatforms "${platforms}")
  string(JSON entry SET "${entry}" skipInvalidPlatforms ${skip})
  string(JSON entry SET "${entry}" sharedLibrary true)
  if(sim_mode)
    json_string(sim_mode "${sim_mode}")
    string(JSON entry SET "${entry}" simMode "${sim_mode}")
  endif()
  set(${out} "${entry}" PARENT_SCOPE)
endfunction()

# The library fails a build for a platform it does not support, rather than
# leaving the robot program with undefined references; the driver modules
# are skipped where they do not exist (the simulated one on the robot).
cpp_dependency(library ${GROUP_ID} ${LIB_ARTIFACT} ${VERSION} KelvaraLib "" false
  ${ROBOT_PLATFORMS} ${DESKTOP_PLATFORMS})
cpp_dependency(sim_driver ${GROUP_ID} ${SIM_ARTIFACT} ${VERSION} KelvaraLibDriver swsim true
  ${DESKTOP_PLATFORMS})
set(dependencies "[]")
string(JSON dependencies SET "${dependencies}" 0 "${library}")
string(JSON dependencies SET "${dependencies}" 1 "${sim_driver}")
if(DRIVER)
  list(GET DRIVER 0 driver_group)
  list(GET DRIVER 1 driver_artifact)
  list(GET DRIVER 2 driver_version)
  cpp_dependency(real_driver ${driver_group} ${driver_artifact} ${driver_version}
    KelvaraLibDriver hwsim true ${DRIVER_PLATFORMS})
  string(JSON dependencies SET "${dependencies}" 2 "${real_driver}")
endif()

set(json "{}")
foreach(pair IN ITEMS fileName=KelvaraLib.json name=KelvaraLib version=${VERSION}
    uuid=${UUID} wpilibYear=${WPILIB_YEAR} jsonUrl=${JSON_URL})
  string(FIND "${pair}" "=" at)
  string(SUBSTRING "${pair}" 0 ${at} key)
  math(EXPR at "${at} + 1")
  string(SUBSTRING "${pair}" ${at} -1 value)
  json_string(value "${value}")
  string(JSON json SET "${json}" ${key} "${value}")
endforeach()
json_string_array(urls ${MAVEN_URLS})
string(JSON json SET "${json}" mavenUrls "${urls}")
string(JSON json SET "${json}" javaDependencies "[]")
string(JSON json SET "${json}" jniDependencies "[]")
string(JSON json SET "${json}" cppDependencies "${dependencies}")
file(WRITE ${OUT_DIR}/KelvaraLib.json "${json}\n")

message(STATUS "Wrote ${OUT_DIR}/KelvaraLib.json and the Maven repository ${OUT_DIR}/maven")
