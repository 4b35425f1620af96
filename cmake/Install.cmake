# Installing Kestro and the simulated analyzer, and the Debian package
# `kestro` built from that installation by CPack:
#
#   cmake --install <build> --prefix /usr/local
#   cpack --config <build>/CPackConfig.cmake -G DEB      (script/package)
#
# Installed system-wide the program's folder is not the user's to write, so
# Kestro keeps its settings in ~/.config/Kestro/ (shell/SettingsLocation).

if(NOT (TARGET kestro AND TARGET rvx82a-sim))
  return()
endif()

include(GNUInstallDirs)

install(TARGETS kestro rvx82a-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kestro.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kestro.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The user guide beside the README, so that the README's links hold; the
# folder is named for the package, as Debian has it.
set(kestro_docdir ${CMAKE_INSTALL_DATADIR}/doc/kestro)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${kestro_docdir})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${kestro_docdir}/docs
        FILES_MATCHING PATTERN "*.md" PATTERN "*.png")

set(KESTRO_PACKAGE_MAINTAINER "Varnesk <kestro@varnesk.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestro)
set(CPACK_PACKAGE_VENDOR Varnesk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration and calibration tool for the RVX82A energy analyzer")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Kestro is the MODBUS RTU master for the RVX82A three-phase energy analyzer on a\n"
    "serial line (9600 baud, 8N1, RS-485). It shows the analyzer's live readings,\n"
    "keeps its device configuration in .cfg files, downloads it to and uploads it\n"
    "from the analyzer, calibrates the analyzer, resets its energy meters and sets\n"
    "its clock.\n"
    "\n"
    "The package includes rvx82a-sim, a simulated analyzer for trying Kestro\n"
    "without hardware.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KESTRO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries (Qt 6, libmodbus, the C++ runtime) as dpkg-shlibdeps finds
# them in the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
