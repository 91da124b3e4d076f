# Installs like a Debian program: the till and the device simulator in bin, a
# launcher that starts the till in ~/kasa, a desktop entry and an icon; CPack
# makes the .deb (scripts/package).
include(GNUInstallDirs)

install(TARGETS kasa fiscal-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/kasa-start DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kasa.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kasa.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kasa)
set(CPACK_PACKAGE_VENDOR "Kasa")
set(CPACK_PACKAGE_CONTACT "Kasa <kasa@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "point of sale for fiscal cash registers and fiscal printers")
# CPack puts the summary line in front.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Point of sale for shops and restaurants that sell through a fiscal cash\n"
       "register or fiscal printer over a serial line or TCP, with articles, stock,\n"
       "restaurant tables, waiters and reports. Includes fiscal-sim, a simulated\n"
       "fiscal device for training and demonstrations.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries come from dpkg-shlibdeps; Qt's SQLite driver is a plugin
# it cannot see. PostgreSQL is for shops whose tills share a server.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql, fonts-liberation2")
set(CPACK_STRIP_FILES ON)
include(CPack)
