# Builds the vendor package (run by the vendordep target, with
# -DSETTINGS=<the settings file that KelvaraVendordep.cmake writes>).
#
# Six builds of the libraries: release and debug, for aarch64 (the robot
# controller, and ARM desktops and coprocessors: platforms linuxsystemcore and
# linuxarm64), for x86-64 Linux (the desktop: linuxx86-64) and for 64-bit
# Windows (windowsx86-64, cross-compiled with MinGW-w64). The Linux builds
# are built without versioned names, so that every shared library's file
# name, lib<libName>.so, is also its SONAME. Windows gets <libName>.dll, each
# with an import library <libName>.lib in the short format that MSVC's
# linker reads, made from the DLL's export table. Their files go into these
# artifacts:
#   KelvaraLib-cpp          the library, on every platform (no simMode)
#   KelvaraLibDriver-sim    the simulated driver module and its control
#                           headers, for desktop simulation (swsim)
#   KelvaraLib-testing      the recording driver for unit tests: a static
#                           library on Linux, on Windows a DLL under the
#                           driver module's name, KelvaraLibDriver.dll; not
#                           listed in KelvaraLib.json, since every listed
#                           artifact goes into every desktop program, where
#                           it would take the simulated driver's place
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
set(DESKTOP_PLATFORMS linuxx86-64 windowsx86-64)
set(platform_dir_linuxsystemcore linux/systemcore)
set(platform_dir_linuxarm64 linux/arm64)
set(platform_dir_linuxx86-64 linux/x86-64)
set(platform_dir_windowsx86-64 windows/x86-64)
# The build that makes each platform's binaries, without its flavour.
set(platform_build_linuxsystemcore linux-arm64)
set(platform_build_linuxarm64 linux-arm64)
set(platform_build_linuxx86-64 linux-x86-64)
set(platform_build_windowsx86-64 windows-x86-64)
# Each library target's file in a Linux build's installed lib/ folder.
set(linux_file_KelvaraLib libKelvaraLib.so)
set(linux_file_KelvaraSimDriver libKelvaraLibDriver.so)
set(linux_file_KelvaraRecordingDriver libKelvaraRecordingDriver.a)
# ... and in a Windows build, where the recording driver is a DLL that a
# test executable loads in place of the driver module.
set(windows_file_KelvaraLib KelvaraLib.dll)
set(windows_file_KelvaraSimDriver KelvaraLibDriver.dll)
set(windows_file_KelvaraRecordingDriver KelvaraLibDriver.dll)

set(MINGW_PREFIX x86_64-w64-mingw32)
find_program(MINGW_CXX ${MINGW_PREFIX}-g++-posix)
find_program(OBJDUMP ${MINGW_PREFIX}-objdump)
find_program(MINGW_STRIP ${MINGW_PREFIX}-strip)
find_program(DLLTOOL NAMES llvm-dlltool-16 llvm-dlltool)
foreach(tool IN ITEMS MINGW_CXX OBJDUMP MINGW_STRIP DLLTOOL)
  if(NOT ${tool})
    message(FATAL_ERROR "The vendor package's Windows build needs MinGW-w64 "
      "(g++-mingw-w64-x86-64-posix) and llvm-dlltool (llvm-16); ${tool} is missing")
  endif()
endforeach()

include(${SOURCE_DIR}/cmake/KelvaraImportLibrary.cmake)

function(run what log)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_FILE ${log}
    ERROR_FILE ${log})
  if(NOT result EQUAL 0)
    file(READ ${log} output)
    message(FATAL_ERROR "${output}\n${what} failed (${result}); the log is ${log}")
  endif()
endfunction()

# Builds one configuration and installs it into <dir>/stage. The compiled
# libraries name no WPILib type, so the stand-in builds the same binaries as
# any WPILib would (and the cross sysroots hold none).
function(build_libraries name build_type toolchain)
  set(dir ${WORK_DIR}/${name})
  set(options -DCMAKE_BUILD_TYPE=${build_type} -DCMAKE_INSTALL_LIBDIR=lib
    -DKELVARA_BUILD_TESTS=OFF -DKELVARA_BUILD_EXAMPLES=OFF
    -DKELVARA_BUILD_BENCHMARKS=OFF -DKELVARA_VERSIONED_LIBRARIES=OFF
    -DKELVARA_VENDORDEP=OFF -DKELVARA_WPILIB=STANDIN
    # Needs libKelvaraLibDriver.so by that name, whatever driver is installed.
    -DKELVARA_LINK_SIM_DRIVER=ON
    -DKELVARA_WERROR=${WERROR} ${ARGN})
  if(toolchain)
    list(APPEND options -DCMAKE_TOOLCHAIN_FILE=${toolchain})
  endif()
  message(STATUS "Building ${name}")
  file(MAKE_DIRECTORY ${dir})
  run("Configuring ${name}" ${dir}/configure.log
    ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${dir} -G ${GENERATOR} ${options})
  run("Building ${name}" ${dir}/build.log
    ${CMAKE_COMMAND} --build ${dir} --config ${build_type} --parallel ${JOBS})
  if("-DKELVARA_INSTALL=OFF" IN_LIST ARGN)  # a build that is not installed
    return()
  endif()
  set(strip "")
  if(build_type STREQUAL "Release")
    set(strip --strip)
  endif()
  file(REMOVE_RECURSE ${dir}/stage)
  run("Installing ${name}" ${dir}/install.log
    ${CMAKE_COMMAND} --install ${dir} --config ${build_type} --prefix ${dir}/stage ${strip})
endfunction()

# A Windows build writes where it built each library (read below), since the
# build places DLLs as it needs them and names the simulated and the
# recording driver alike: included at the end of the project's top-level
# CMakeLists.txt.
set(list_files ${WORK_DIR}/ListLibraryFiles.cmake)
file(WRITE ${list_files} [[
function(kelvara_vendordep_list_files)
  set(content "")
  foreach(target IN ITEMS KelvaraLib KelvaraSimDriver KelvaraRecordingDriver)
    string(APPEND content "set(built_${target} \"$<TARGET_FILE:${target}>\")\n")
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/LibraryFiles-$<CONFIG>.cmake CONTENT "${content}")
endfunction()
cmake_language(DEFER CALL kelvara_vendordep_list_files)
]])

# Builds the Windows DLLs of one flavour and puts each, with its import
# library, into <dir>/package/<target>/. The release DLLs are stripped; the
# debug ones keep their DWARF debugging information, which gdb and lldb read
# (MinGW's GCC writes no PDB, so Visual Studio's debugger shows them without
# source lines).
function(build_windows name build_type)
  build_libraries(${name} ${build_type} ${WINDOWS_TOOLCHAIN} -DKELVARA_INSTALL=OFF
    -DCMAKE_PROJECT_KelvaraLib_INCLUDE=${list_files})
  set(dir ${WORK_DIR}/${name})
  include(${dir}/LibraryFiles-${build_type}.cmake)
  file(REMOVE_RECURSE ${dir}/package)
  foreach(target IN ITEMS KelvaraLib KelvaraSimDriver KelvaraRecordingDriver)
    set(dll ${windows_file_${target}})
    get_filename_component(built_name "${built_${target}}" NAME)
    if(NOT built_name STREQUAL dll)
      message(FATAL_ERROR "The Windows build makes ${target} as ${built_name}; "
        "the package needs ${dll}, the name its users' loader looks for")
    endif()
    set(out ${dir}/package/${target})
    file(MAKE_DIRECTORY ${out})
    file(COPY_FILE ${built_${target}} ${out}/${dll})
    if(build_type STREQUAL "Release")
      run("Stripping ${name} ${dll}" ${dir}/strip.log
        ${MINGW_STRIP} --strip-unneeded ${out}/${dll})
    endif()
    get_filename_component(stem ${dll} NAME_WE)
    kelvara_import_library(${out}/${dll} ${out}/${stem}.lib)
  endforeach()
endfunction()

build_libraries(linux-x86-64-release Release "")
build_libraries(linux-x86-64-debug Debug "")
build_libraries(linux-arm64-release Release ${TOOLCHAIN})
build_libraries(linux-arm64-debug Debug ${TOOLCHAIN})
build_windows(windows-x86-64-release Release)
build_windows(windows-x86-64-debug Debug)

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

# One zip per platform and flavour of the library <target>, for each platform
# that follows, holding <os>/<arch>/<kind>/<its files>: on Linux the file
# that the build installs, on Windows the DLL and its import library.
function(zip_binaries artifact target kind suffix)
  foreach(platform IN LISTS ARGN)
    foreach(flavour release debug)
      set(classifier ${platform}${suffix})
      if(flavour STREQUAL "debug")
        string(APPEND classifier debug)
      endif()
      set(build ${WORK_DIR}/${platform_build_${platform}}-${flavour})
      if(platform MATCHES "^windows")
        set(files ${build}/package/${target}/)
      else()
        set(files ${build}/stage/lib/${linux_file_${target}})
      endif()
      file(COPY ${files}
        DESTINATION ${WORK_DIR}/zips/${artifact}/${classifier}/${platform_dir_${platform}}/${kind})
      zip_staged(${artifact} ${classifier})
    endforeach()
  endforeach()
endfunction()

set(headers PATTERN *.hpp PATTERN *.h)
set(sources PATTERN *.cpp PATTERN *.c ${headers})

# The library: its public headers only (the WPILib stand-in's are no part of
# it; robot projects bring WPILib).
write_pom(${LIB_ARTIFACT})
stage_dir(${LIB_ARTIFACT} headers ${SOURCE_DIR}/include/kelvara kelvara ${headers})
stage_dir(${LIB_ARTIFACT} sources ${SOURCE_DIR}/src "" ${sources})
zip_staged(${LIB_ARTIFACT} headers)
zip_staged(${LIB_ARTIFACT} sources)
zip_binaries(${LIB_ARTIFACT} KelvaraLib shared "" ${ROBOT_PLATFORMS} ${DESKTOP_PLATFORMS})

# The simulated driver module with its control interface.
write_pom(${SIM_ARTIFACT})
stage_dir(${SIM_ARTIFACT} headers ${SOURCE_DIR}/sim/include/kelvara/sim kelvara/sim
  ${headers})
stage_dir(${SIM_ARTIFACT} sources ${SOURCE_DIR}/sim/src "" ${sources})
zip_staged(${SIM_ARTIFACT} headers)
zip_staged(${SIM_ARTIFACT} sources)
zip_binaries(${SIM_ARTIFACT} KelvaraSimDriver shared "" ${DESKTOP_PLATFORMS})

# The recording driver, with the driver's declarations and record layouts
# that tests fill, included as "driver/DriverRecords.hpp": a static library
# on Linux (classifiers linuxx86-64static...), on Windows the DLL
# KelvaraLibDriver.dll with its import library (windowsx86-64...).
write_pom(${TESTING_ARTIFACT})
stage_dir(${TESTING_ARTIFACT} headers ${SOURCE_DIR}/testing/include/kelvara/testing
  kelvara/testing ${headers})
stage_dir(${TESTING_ARTIFACT} headers ${SOURCE_DIR}/src/driver driver ${headers})
stage_dir(${TESTING_ARTIFACT} sources ${SOURCE_DIR}/testing/src "" ${sources})
zip_staged(${TESTING_ARTIFACT} headers)
zip_staged(${TESTING_ARTIFACT} sources)
zip_binaries(${TESTING_ARTIFACT} KelvaraRecordingDriver static static linuxx86-64)
zip_binaries(${TESTING_ARTIFACT} KelvaraRecordingDriver shared "" windowsx86-64)

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
