# The Windows installer Corvane-Setup-<version>.exe (target "installer"), made with NSIS's makensis
# from the programs of this build; packaging/windows/Corvane.nsi says what it installs.
set(corvane_installer ${PROJECT_BINARY_DIR}/Corvane-Setup-${PROJECT_VERSION}.exe)
set(corvane_windows_dir ${PROJECT_SOURCE_DIR}/packaging/windows)

# The installer under Wine: needs the installer built and a display (scripts/test-windows.sh).
if(CORVANE_BUILD_TESTS)
  set(program_file_names)
  foreach(program IN LISTS corvane_programs)
    list(APPEND program_file_names $<TARGET_FILE_NAME:${program}>)
  endforeach()
  add_test(NAME CorvaneInstallerUnderWine
    COMMAND bash ${corvane_windows_dir}/test-installer.sh ${corvane_installer}
            ${corvane_sample} ${program_file_names})
  set_tests_properties(CorvaneInstallerUnderWine PROPERTIES RUN_SERIAL TRUE TIMEOUT 400)
endif()

find_program(CORVANE_MAKENSIS makensis)
# The geoid grid the installer carries beside corvane-fg.exe: Debian's proj-data.
set(CORVANE_GEOID_GRID /usr/share/proj/egm96_15.gtx
    CACHE FILEPATH "EGM96 geoid grid (egm96_15.gtx) the Windows installer carries")
if(NOT CORVANE_MAKENSIS)
  add_custom_target(installer
    COMMAND ${CMAKE_COMMAND} -E echo "makensis is needed: scripts/install-deps.sh installs it"
    COMMAND ${CMAKE_COMMAND} -E false)
  return()
endif()

if(CMAKE_CROSSCOMPILING)
  # trafficlog.exe cannot run here, so trafficlog is built for the build machine too, in the
  # host build that tools/wavconvert configures for its converter.
  include(ExternalProject)
  set(host_trafficlog ${PROJECT_BINARY_DIR}/host-tools/bin/trafficlog)
  ExternalProject_Add(host_trafficlog
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${PROJECT_BINARY_DIR}/host-tools
    CONFIGURE_COMMAND ""
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target trafficlog
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${host_trafficlog}
    INSTALL_COMMAND ""
    DEPENDS host_wavconvert
    EXCLUDE_FROM_ALL ON)
  corvane_sample_recording(TRAFFICLOG ${host_trafficlog} DEPENDS host_trafficlog ${host_trafficlog})
else()
  corvane_sample_recording(TRAFFICLOG $<TARGET_FILE:trafficlog> DEPENDS trafficlog)
endif()

# The macro the script expands once to install the programs and once to remove them, so that the
# uninstaller removes exactly the programs the installer wrote.
set(programs_nsh "; Written by the build: the programs the installer carries.\n")
string(APPEND programs_nsh "!macro CorvanePrograms ACTION\n")
foreach(program IN LISTS corvane_programs)
  string(APPEND programs_nsh
         "  !insertmacro \${ACTION} \"$<TARGET_FILE:${program}>\" \"$<TARGET_FILE_NAME:${program}>\"\n")
endforeach()
string(APPEND programs_nsh "!macroend\n")
file(GENERATE OUTPUT ${corvane_package_dir}/programs.nsh CONTENT "${programs_nsh}")

# Windows' own line ends, for Notepad and the licence page.
configure_file(${PROJECT_SOURCE_DIR}/README.md ${corvane_package_dir}/README.txt
               @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${corvane_package_dir}/LICENSE.txt
               @ONLY NEWLINE_STYLE CRLF)

# The installer's version resource takes four numbers.
set(file_version)
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    list(APPEND file_version 0)
  else()
    list(APPEND file_version ${PROJECT_VERSION_${part}})
  endif()
endforeach()
list(JOIN file_version . file_version)

add_custom_command(OUTPUT ${corvane_installer}
  COMMAND ${CORVANE_MAKENSIS} -V2
          -DVERSION=${PROJECT_VERSION}
          -DFILE_VERSION=${file_version}
          -DOUTFILE=${corvane_installer}
          -DPROGRAMS=${corvane_package_dir}/programs.nsh
          -DSAMPLE=${corvane_sample}
          -DREADME=${corvane_package_dir}/README.txt
          -DLICENSE=${corvane_package_dir}/LICENSE.txt
          -DICON=${PROJECT_SOURCE_DIR}/app/win32/res/Corvane.ico
          -DGEOID=${CORVANE_GEOID_GRID}
          ${corvane_windows_dir}/Corvane.nsi
  DEPENDS ${corvane_programs} ${corvane_sample} ${corvane_windows_dir}/Corvane.nsi
          ${CORVANE_GEOID_GRID}
          ${corvane_package_dir}/programs.nsh ${corvane_package_dir}/README.txt
          ${corvane_package_dir}/LICENSE.txt
  COMMENT "Windows installer ${corvane_installer}"
  VERBATIM)
add_custom_target(installer DEPENDS ${corvane_installer})
