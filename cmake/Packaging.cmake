# What `cmake --install` puts where, and the Debian package made from it (`cpack -G DEB`).
#
#   bin/tarvolink, bin/tarvo-sim                 the two programs
#   share/applications/tarvolink.desktop         the desktop entry of the client
#   share/icons/hicolor/<size>/apps/tarvolink.*  its icon, SVG and PNG
#   share/doc/tarvolink/                         README, tarvo-sim's README, screenshots
#
# The client looks for its desktop entry at ../share/applications from its own folder to
# know that it runs installed and must keep its settings in the user's folder.
include(GNUInstallDirs)
# The package's name, not the project's: /usr/share/doc/tarvolink.
set(TARVO_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/tarvolink)

install(TARGETS tarvolink tarvoctl tarvo-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/tarvolink.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/tarvolink.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/tarvolink-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME tarvolink.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${TARVO_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/sim/README.md DESTINATION ${TARVO_DOCDIR}
        RENAME tarvo-sim.md)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${TARVO_DOCDIR}/docs
        FILES_MATCHING PATTERN "*.png")

set(TARVO_PACKAGE_MAINTAINER "Tarvolink developers <tarvolink@invalid>"
    CACHE STRING "Maintainer field of the Debian package: name <e-mail>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvolink)
set(CPACK_PACKAGE_VENDOR "Tarvolink developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "client for the remote configuration of a distributed control system")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tarvolink connects to a Tarvo configuration server and shows the\n"
  "configuration of a control processor as a tree of compounds and blocks.\n"
  "It opens configuration sessions, edits block parameters, adds, copies,\n"
  "moves and deletes blocks, edits and compiles sequence blocks, and runs the\n"
  "CP utilities and the cross-reference.\n"
  ".\n"
  "The package also holds tarvo-sim, a stand-in server with a demo plant for\n"
  "trials and training.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARVO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link come from dpkg-shlibdeps. Qt's platform plugins are
# loaded at run time, which no linker sees; without one the client opens no window.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)
