# What `cmake --install` puts where, and the Debian package made from it (`cpack -G DEB`).
#
#   bin/tarvolink, bin/tarvoctl, bin/tarvo-sim    the programs
#   share/applications/tarvolink.desktop           the desktop entry of the client
#   share/metainfo/org.tarvolink.tarvolink.metainfo.xml   what software centres show of it
#   share/icons/hicolor/<size>/apps/tarvolink.*    its icon, SVG and PNG
#   share/man/man1/<program>.1.gz                  the manual pages (data/man/*.scd, scdoc)
#   share/bash-completion/completions/tarvoctl, tarvo-sim   bash completion (data/completion/)
#   share/doc/tarvolink/                           copyright, changelog.gz (data/debian/),
#                                                  README, tarvo-sim's README, screenshots
#
# The client looks for its desktop entry at ../share/applications from its own folder to
# know that it runs installed and must keep its settings in the user's folder.
include(GNUInstallDirs)
# The package's name, not the project's: /usr/share/doc/tarvolink.
set(TARVO_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/tarvolink)

# The manual pages need scdoc, the compressed documents gzip. A plain build goes on without
# them (AUTO); scripts/package.sh asks for them (ON), so that no package lacks them.
set(TARVO_MAN_PAGES AUTO CACHE STRING "Build and install the manual pages (scdoc): AUTO, ON or OFF")
set_property(CACHE TARVO_MAN_PAGES PROPERTY STRINGS AUTO ON OFF)
find_program(TARVO_SCDOC scdoc)
find_program(TARVO_GZIP gzip)
set(tarvo_docs_built)
if(TARVO_MAN_PAGES AND (TARVO_MAN_PAGES STREQUAL "ON" OR (TARVO_SCDOC AND TARVO_GZIP)))
  if(NOT TARVO_SCDOC OR NOT TARVO_GZIP)
    message(FATAL_ERROR "TARVO_MAN_PAGES=ON needs scdoc and gzip (scripts/install-deps.sh "
                        "installs them)")
  endif()
  foreach(program tarvolink tarvoctl tarvo-sim)
    set(source ${PROJECT_SOURCE_DIR}/data/man/${program}.1.scd)
    set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -DSCDOC=${TARVO_SCDOC} -DGZIP=${TARVO_GZIP} -DIN=${source}
              -DOUT=${page} -P ${PROJECT_SOURCE_DIR}/cmake/doc_file.cmake
      DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/doc_file.cmake
      COMMENT "Manual page ${program}(1)" VERBATIM)
    list(APPEND tarvo_docs_built ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
elseif(NOT TARVO_MAN_PAGES STREQUAL "OFF")
  message(STATUS "scdoc or gzip not found: the manual pages are not built")
endif()
# Debian's changelog of the package, compressed where Debian's tools look for it.
if(TARVO_GZIP)
  set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
  add_custom_command(OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -DGZIP=${TARVO_GZIP} -DIN=${PROJECT_SOURCE_DIR}/data/debian/changelog
            -DOUT=${changelog} -P ${PROJECT_SOURCE_DIR}/cmake/doc_file.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog ${PROJECT_SOURCE_DIR}/cmake/doc_file.cmake
    COMMENT "Debian changelog" VERBATIM)
  list(APPEND tarvo_docs_built ${changelog})
  install(FILES ${changelog} DESTINATION ${TARVO_DOCDIR})
endif()
add_custom_target(tarvo_docs ALL DEPENDS ${tarvo_docs_built})

install(TARGETS tarvolink tarvoctl tarvo-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (the package's) also drops the compilers' version notes, as Debian's
# own packaging tools do.
if(CMAKE_OBJCOPY)
  foreach(program tarvolink tarvoctl tarvo-sim)
    install(CODE "if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${program}>\")
    endif()")
  endforeach()
endif()
install(FILES ${PROJECT_SOURCE_DIR}/data/tarvolink.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/metainfo/org.tarvolink.tarvolink.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/data/completion/tarvoctl
              ${PROJECT_SOURCE_DIR}/data/completion/tarvo-sim
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/tarvolink.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/tarvolink-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME tarvolink.png)
endforeach()
# Debian's machine-readable copyright file; LICENSE itself is not installed (the full
# Apache License is in /usr/share/common-licenses on every Debian system).
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright DESTINATION ${TARVO_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${TARVO_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/sim/README.md DESTINATION ${TARVO_DOCDIR}
        RENAME tarvo-sim.md)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${TARVO_DOCDIR}/docs
        FILES_MATCHING PATTERN "*.png")

set(TARVO_DEB_MAINTAINER "Tarvolink developers <maintainers@tarvolink.org>"
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
  "The package also holds tarvoctl, for scripted and bulk changes from a\n"
  "shell, and tarvo-sim, a stand-in server with a demo plant for trials and\n"
  "training.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARVO_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tarvolink.org")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link come from dpkg-shlibdeps. Qt's platform plugins are
# loaded at run time, which no linker sees; without one the client opens no window.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)
