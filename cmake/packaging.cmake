# Installing (cmake --install) and the Debian package (cpack -G DEB).
#
# The program finds its data beside itself (../share/cellrune), in the data
# folder of the prefix it was built for, or through the XDG folders, so an
# install under any prefix and an unpacked package both run from anywhere.
configure_file(${PROJECT_SOURCE_DIR}/doc/cellrune.6 ${PROJECT_BINARY_DIR}/cellrune.6 @ONLY)

install(TARGETS cellrune RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/show/blob.rar DESTINATION ${CMAKE_INSTALL_DATADIR}/cellrune)
install(FILES ${PROJECT_BINARY_DIR}/cellrune.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cellrune)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "cellrune developers <cellrune@users.noreply.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual show for the terminal")
set(CPACK_PACKAGE_DESCRIPTION
    "cellrune plays a tracker music module and renders 3-D and 2-D scenes in\n"
    "software, shown as 80 x 50 coloured text cells in the terminal or as\n"
    "pixels in a small window, always on the beat of the music.\n"
    "\n"
    "It unpacks its data with UnRAR's library (libunrar5), which Debian ships in\n"
    "its non-free component: enable non-free to install this package.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # cellrune_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION misc) # games would ask for /usr/games; the program is in bin/
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://cellrune.example/")
# Debian's layout inside the package only: the manual page and changelog
# compressed, the copyright file beside the README.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian_layout.cmake)
set(CPACK_CELLRUNE_SOURCE_DIR ${PROJECT_SOURCE_DIR})
include(CPack)
