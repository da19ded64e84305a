# SPDX-License-Identifier: GPL-3.0-or-later
# What an installation holds besides the programs and the help pages (packaging/): the menu entry,
# its icon, the AppStream metainfo, the manual pages, bash completion and the documents; and the
# Debian package made from it all by CPack (`make package` in the build folder).
if(WIN32 OR APPLE OR NOT TESSAROLL_BUILD_UI)
  return()
endif()

include(GNUInstallDirs)
set(TESSAROLL_APP_ID example.tessaroll.Tessaroll)
set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(generated ${PROJECT_BINARY_DIR}/packaging)

# The release date of the metainfo and the changelog: the build's date, or SOURCE_DATE_EPOCH's
# for a reproducible build.
string(TIMESTAMP TESSAROLL_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP TESSAROLL_RELEASE_DATE_RFC2822 "%a, %d %b %Y %H:%M:%S +0000" UTC)

configure_file(${packaging}/${TESSAROLL_APP_ID}.metainfo.xml.in
               ${generated}/${TESSAROLL_APP_ID}.metainfo.xml @ONLY)
configure_file(${packaging}/changelog.in ${generated}/changelog @ONLY)
configure_file(${packaging}/man/tessaroll.1 ${generated}/tessaroll.1 @ONLY)
# The command line's manual page and completion name the limits, defaults and code pages, read
# out of the C++ headers that define them.
include(${PROJECT_SOURCE_DIR}/cmake/SharedConstants.cmake)
tessaroll_read_shared_constants()
configure_file(${packaging}/man/tessaroll-cli.1.in ${generated}/tessaroll-cli.1 @ONLY)
configure_file(${packaging}/bash-completion/tessaroll-cli.in
               ${generated}/bash-completion/tessaroll-cli @ONLY)

# Manual pages and the changelog are installed compressed, without a time stamp in the gzip header.
set(compressed)
foreach(name tessaroll.1 tessaroll-cli.1 changelog)
  add_custom_command(
    OUTPUT ${generated}/${name}.gz
    COMMAND gzip -9 -n -c ${generated}/${name} > ${generated}/${name}.gz
    DEPENDS ${generated}/${name}
    COMMENT "Compressing ${name}")
  list(APPEND compressed ${generated}/${name}.gz)
endforeach()
add_custom_target(tessaroll_packaging_files ALL DEPENDS ${compressed})

install(FILES ${packaging}/${TESSAROLL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${generated}/${TESSAROLL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging}/icons/tessaroll.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${packaging}/icons/${size}/tessaroll.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${generated}/tessaroll.1.gz ${generated}/tessaroll-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${generated}/bash-completion/tessaroll-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${packaging}/copyright ${generated}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessaroll)

# The Debian package: tessaroll_<version>_<architecture>.deb in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaroll)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tessaroll developers")
set(CPACK_PACKAGE_CONTACT "The Tessaroll developers <developers@tessaroll.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.tessaroll.example/)
# The libraries the programs link, with the versions dpkg-shlibdeps finds for them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "numbered password list of a date from a personal password")
# The summary above is the first line; this is the text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tessaroll turns a personal password and a calendar date into a numbered
list of passwords for that date. Nothing in it is random: the same personal
password, date and settings give the same list on every machine, so a second
party can compute the list on its own machine and both agree.
.
The package holds the window program, tessaroll, which shows, saves and
prints the list, and the command-line companion, tessaroll-cli, which
computes the same lists for scripts and checks them against reference lists.")
include(CPack)
