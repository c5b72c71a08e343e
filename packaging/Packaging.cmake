# Installation beyond the programs (their install() rules stand with their targets) and the
# Debian package: `cmake --install <build>` or `cpack -G DEB` in the build folder.

set(QUENDA_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

install(FILES ${CMAKE_SOURCE_DIR}/res/icon48.png
        DESTINATION share/icons/hicolor/48x48/apps RENAME quenda.png)
install(FILES ${CMAKE_SOURCE_DIR}/res/icon256.png
        DESTINATION share/icons/hicolor/256x256/apps RENAME quenda.png)
install(FILES ${QUENDA_PACKAGING_DIR}/quenda.desktop DESTINATION share/applications)
# udev reads its packaged rules from lib/udev/rules.d under the prefix /usr.
install(FILES ${QUENDA_PACKAGING_DIR}/60-k7v4-modemmanager.rules DESTINATION lib/udev/rules.d)

set(CPACK_PACKAGE_NAME quenda)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "QUENDA")
set(CPACK_PACKAGE_CONTACT "QUENDA maintainers <quenda@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration utility for the K7V4 UHF data radio modem")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "QUENDA reads the configuration of a K7V4 UHF data radio modem over a serial port, shows it "
    "on four pages, writes changes back, restores factory presets and imports and exports the "
    "channel list. quenda-cli does the same from the command line, for scripts that set up many "
    "radios. The package also holds k7v4-sim, a simulated radio on a pseudo-terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# qt6-qpa-plugins holds the xcb platform plugin; without it no Qt window can open on X11.
# qt6-translations-l10n puts Qt's own buttons and file dialogs into Chinese.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6, libqt6serialport6, qt6-qpa-plugins, qt6-translations-l10n, fonts-wqy-zenhei | fonts-noto-cjk")
find_program(QUENDA_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QUENDA_DPKG_SHLIBDEPS)
    # Adds the exact library versions the binaries were linked against.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
