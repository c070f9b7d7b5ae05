# Installation and the Debian package.
#
#   cmake --install build --prefix P   P/bin/tdservice (and the simulator, and the command-line tool
#                                      when it is built), P/share/tdservice/{help,examples}, the
#                                      icon, the MIME type of .srv and the desktop entry
#   cd build && cpack -G DEB           tdservice_<version>_<arch>.deb, installed under /usr
#
# The program finds its help pages in ../share/tdservice/help when no help/ is beside it. The
# MIME type and desktop entry are the files the program itself writes under ~/.local/share at
# start-up (same names, same content), so a user's copy replaces the system one in the menus.

if(NOT TD_BUILD_UI)
  return()
endif()

install(TARGETS tdservice tdservice-sim RUNTIME DESTINATION bin)
if(TARGET tdservice-cli)
  install(TARGETS tdservice-cli RUNTIME DESTINATION bin)
endif()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/ui/app/help/ DESTINATION share/tdservice/help)
install(FILES ${PROJECT_SOURCE_DIR}/examples/td.srv ${PROJECT_SOURCE_DIR}/examples/kelt.srv
              ${PROJECT_SOURCE_DIR}/examples/zorb.srv
        DESTINATION share/tdservice/examples)

install(FILES ${PROJECT_SOURCE_DIR}/data/tidemarkservice.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/tidemarkservice-srv.xml DESTINATION share/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/src/ui/app/icons/tidemarkservice.svg
        DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/src/ui/app/icons/tidemarkservice.png
        DESTINATION share/icons/hicolor/16x16/apps)
install(FILES ${PROJECT_SOURCE_DIR}/src/ui/app/icons/tidemarkservice@2x.png
        DESTINATION share/icons/hicolor/32x32/apps RENAME tidemarkservice.png)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tdservice)
set(CPACK_PACKAGE_VENDOR "TidemarkService")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Service tool for liquid flow transducers at a flow test bench")
set(CPACK_PACKAGE_DESCRIPTION
    "Records reference and transducer readings, derives flows and errors, approximates the\n\
characteristic by straight lines and writes the coefficients into TD meters, KELT and ZORB\n\
transducers over a serial line; takes measurements from the RM-2.3 bench instrument.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "TidemarkService developers <tdservice@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Russian texts of Qt's own dialogs, and libpq, which the program loads only for a shared history;
# the rest comes from the libraries the program links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, libpq5")
# Opening help and reports in the browser, and refreshing the desktop's caches at start-up.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, shared-mime-info, desktop-file-utils")
include(CPack)
