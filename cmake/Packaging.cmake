# How users get Corvane: install rules and a Debian package (cpack -G DEB) from the Linux build,
# an NSIS installer (target "installer") from the Windows build. Both carry the programs, the
# sample recording that trafficlog generates, the README and the licence; the version is the
# project's own.

# Every program that goes to users.
if(WIN32)
  set(corvane_programs Corvane corvane-sim trafficlog corvane-fg)
else()
  set(corvane_programs corvane corvane-sim trafficlog corvane-fg)
endif()

set(CORVANE_PACKAGE_CONTACT "Brenwick <corvane@brenwick.example>"
    CACHE STRING "Maintainer named in the Debian package and its changelog")
set(corvane_package_dir ${PROJECT_BINARY_DIR}/packaging)
set(corvane_sample ${corvane_package_dir}/TrafficLog.dat)

# corvane_sample_recording(TRAFFICLOG command DEPENDS targets-and-files...)
# The rule for ${corvane_sample}, the sample recording the packages install: made as the demo
# makes it, and checked before it ships.
function(corvane_sample_recording)
  cmake_parse_arguments(ARG "" "" "TRAFFICLOG;DEPENDS" ${ARGN})
  add_custom_command(OUTPUT ${corvane_sample}
    COMMAND ${ARG_TRAFFICLOG} generate --out ${corvane_sample}
    COMMAND ${ARG_TRAFFICLOG} check ${corvane_sample}
    DEPENDS ${ARG_DEPENDS}
    COMMENT "Sample recording for the packages"
    VERBATIM)
endfunction()

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsInstaller.cmake)
else()
  include(${CMAKE_CURRENT_LIST_DIR}/DebianPackage.cmake)
endif()
