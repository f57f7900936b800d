# Installation layout and the Debian package (`make package`: cpack -G DEB in the build folder).
# The manual page, the changelog and the AppStream file are built from sources in res/package
# at build time.

include(GNUInstallDirs)

set(VANTO_PACKAGE_VERSION "${PROJECT_VERSION}")
set(VANTO_RELEASE_DATE "2026-12-10")
set(VANTO_CHANGELOG_DATE "Thu, 10 Dec 2026 12:00:00 +0000")
set(VANTO_HOMEPAGE "https://vanto.example/remote-manager")
set(package_src ${CMAKE_SOURCE_DIR}/res/package)
set(package_out ${CMAKE_BINARY_DIR}/package)

find_program(GZIP_PROGRAM gzip REQUIRED)

# Manual page and changelog: filled in, then compressed without a timestamp.
configure_file(${package_src}/vanto-remote-manager.1.in ${package_out}/vanto-remote-manager.1 @ONLY)
configure_file(${package_src}/changelog.in ${package_out}/changelog @ONLY)
# AppStream wants a reverse-DNS component id; the file is named after it.
set(VANTO_APPSTREAM_ID example.vanto.RemoteManager)
configure_file(${package_src}/${VANTO_APPSTREAM_ID}.metainfo.xml.in
               ${package_out}/${VANTO_APPSTREAM_ID}.metainfo.xml @ONLY)
foreach(doc vanto-remote-manager.1 changelog)
    add_custom_command(OUTPUT ${package_out}/${doc}.gz
        COMMAND ${GZIP_PROGRAM} -9 -n -c ${package_out}/${doc} > ${package_out}/${doc}.gz
        DEPENDS ${package_out}/${doc}
        COMMENT "Compressing ${doc}")
endforeach()
add_custom_target(vanto_package_docs ALL
    DEPENDS ${package_out}/vanto-remote-manager.1.gz ${package_out}/changelog.gz)

install(FILES ${package_out}/vanto-remote-manager.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${package_out}/changelog.gz ${package_src}/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${package_src}/vanto-remote-manager.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME vanto-remote-manager)
install(FILES ${package_out}/${VANTO_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/res/vanto-remote-manager.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The udev rule as a template with its instructions; the program prints and installs the filled
# in rule for the chosen remote.
install(FILES ${CMAKE_SOURCE_DIR}/res/70-vanto-remote-manager.rules
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vanto-remote-manager)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vanto-remote-manager)
set(CPACK_PACKAGE_VERSION ${VANTO_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR VANTO)
set(CPACK_PACKAGE_CONTACT "VANTO Remote Manager developers <remote-manager@vanto.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "manager for a universal remote control attached over USB")
# The synopsis comes from the summary; this is the extended description below it.
set(CPACK_PACKAGE_DESCRIPTION
    "VANTO Remote Manager installs firmware and code databases on a handheld
universal remote control, backs up and restores its user data and user
icons, and edits user icon files. It finds the remote chosen once in its
window whenever it is plugged in, and shows how to give the user access.
The command line serves every function without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VANTO_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Only the program: the tests, tools and benchmarks built beside it are not installed.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
