# The Debian package corvane_<version>_<arch>.deb, made with `cpack -G DEB` in the Linux build:
# the programs in /usr/bin, the sample recording in /usr/share/corvane, README, copyright and
# changelog in /usr/share/doc/corvane, and a manual page per program made from its --help.
# Everything the package needs beyond the programs is built with them (target package_files), so
# that cpack, which builds the default target first, finds it all.
include(GNUInstallDirs)

set(corvane_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/corvane)
set(corvane_debian_dir ${PROJECT_SOURCE_DIR}/packaging/debian)

corvane_sample_recording(TRAFFICLOG $<TARGET_FILE:trafficlog> DEPENDS trafficlog)

# The copyright file in the machine-readable form, its licence text taken from LICENSE.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
string(STRIP "${license_text}" license_text)
string(REGEX REPLACE "\n\n" "\n.\n" license_text "${license_text}")
string(REPLACE "\n" "\n " CORVANE_LICENSE_TEXT " ${license_text}")
configure_file(${corvane_debian_dir}/copyright.in ${corvane_package_dir}/copyright @ONLY)

configure_file(${corvane_debian_dir}/changelog.in ${corvane_package_dir}/changelog @ONLY)
set(corvane_changelog ${corvane_package_dir}/changelog.gz)
add_custom_command(OUTPUT ${corvane_changelog}
  COMMAND gzip -9n -c ${corvane_package_dir}/changelog > ${corvane_changelog}
  DEPENDS ${corvane_package_dir}/changelog)

# Manual pages: help2man reads --help and --version; packaging/man/<program>.h2m, where there is
# one, adds the name line and the sections that --help does not tell.
find_program(CORVANE_HELP2MAN help2man)
set(corvane_manual_pages)
if(CORVANE_HELP2MAN)
  foreach(program IN LISTS corvane_programs)
    set(page ${corvane_package_dir}/man/${program}.1.gz)
    set(includes ${PROJECT_SOURCE_DIR}/packaging/man/common.h2m)
    if(EXISTS ${PROJECT_SOURCE_DIR}/packaging/man/${program}.h2m)
      list(APPEND includes ${PROJECT_SOURCE_DIR}/packaging/man/${program}.h2m)
    endif()
    add_custom_command(OUTPUT ${page}
      COMMAND sh ${corvane_debian_dir}/make-manpage.sh ${CORVANE_HELP2MAN}
              $<TARGET_FILE:${program}> ${PROJECT_VERSION} ${page} ${includes}
      DEPENDS ${program} ${includes} ${corvane_debian_dir}/make-manpage.sh
      COMMENT "Manual page for ${program}"
      VERBATIM)
    list(APPEND corvane_manual_pages ${page})
  endforeach()
endif()

add_custom_target(package_files ALL
  DEPENDS ${corvane_sample} ${corvane_changelog} ${corvane_manual_pages})

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(TARGETS ${corvane_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${corvane_sample} DESTINATION ${CMAKE_INSTALL_DATADIR}/corvane)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${corvane_package_dir}/copyright ${corvane_changelog}
        DESTINATION ${corvane_doc_dir})
if(CORVANE_HELP2MAN)
  install(FILES ${corvane_manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  # A package without its manual pages must not come out quietly.
  install(CODE "message(FATAL_ERROR \"help2man is needed for the manual pages: \
scripts/install-deps.sh installs it; then configure again\")")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Brenwick)
set(CPACK_PACKAGE_CONTACT "${CORVANE_PACKAGE_CONTACT}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# corvane-fg reads the EGM96 geoid grid of PROJ's data (/usr/share/proj/egm96_15.gtx).
set(CPACK_DEBIAN_PACKAGE_DEPENDS proj-data)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
file(READ ${corvane_debian_dir}/description CPACK_DEBIAN_PACKAGE_DESCRIPTION)
string(STRIP "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
include(CPack)
