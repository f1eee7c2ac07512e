# The two Debian packages, `make package`: ijken (the program, its desktop entry, icon, German
# interface file and man page) and ijken-office (the office's web server, its systemd unit and
# environment file, and an nginx site as an example). The version is the project's, above.

# What Debian asks of every package: the copyright file, a compressed changelog and man page.
set(IJKEN_PACKAGING_DIR ${CMAKE_CURRENT_BINARY_DIR}/packaging)
set(IJKEN_VERSION ${PROJECT_VERSION})
configure_file(${CMAKE_CURRENT_LIST_DIR}/ijken.1 ${IJKEN_PACKAGING_DIR}/ijken.1 @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${IJKEN_PACKAGING_DIR}/changelog @ONLY)
find_program(GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${IJKEN_PACKAGING_DIR}/ijken.1.gz ${IJKEN_PACKAGING_DIR}/changelog.gz
  COMMAND ${GZIP} -9nkf ${IJKEN_PACKAGING_DIR}/ijken.1 ${IJKEN_PACKAGING_DIR}/changelog
  DEPENDS ${IJKEN_PACKAGING_DIR}/ijken.1 ${IJKEN_PACKAGING_DIR}/changelog VERBATIM)
add_custom_target(ijken_packaging_docs ALL DEPENDS ${IJKEN_PACKAGING_DIR}/ijken.1.gz ${IJKEN_PACKAGING_DIR}/changelog.gz)

install(FILES ${IJKEN_PACKAGING_DIR}/ijken.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
foreach(component_package program:ijken office:ijken-office)
  string(REPLACE ":" ";" pair ${component_package})
  list(GET pair 0 component)
  list(GET pair 1 package)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${IJKEN_PACKAGING_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ijken COMPONENT program)

# The office's system files go where Debian keeps them, in the package only: a `make install`
# into a home directory has no business with /etc or the system's units. The unit in deploy/
# starts a program installed by hand in /usr/local; the package's starts the packaged one.
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/deploy/ijken-office.service IJKEN_UNIT)
string(REPLACE "/usr/local/bin/ijken" "/usr/bin/ijken" IJKEN_UNIT "${IJKEN_UNIT}")
string(REPLACE "/usr/local/share/doc/ijken" "/usr/share/doc/ijken" IJKEN_UNIT "${IJKEN_UNIT}")
# Its head tells how to install it by hand; the package's tells what is left to do.
string(FIND "${IJKEN_UNIT}" "[Unit]" IJKEN_UNIT_START)
string(SUBSTRING "${IJKEN_UNIT}" ${IJKEN_UNIT_START} -1 IJKEN_UNIT)
string(PREPEND IJKEN_UNIT
       "# The fleet office in the browser, installed by the package ijken-office. Edit\n"
       "# /etc/ijken/office.env, then: systemctl enable --now ijken-office\n"
       "# PostgreSQL must check the web logins' passwords (scram-sha-256 in pg_hba.conf); the server's\n"
       "# log says why a login failed: journalctl -u ijken-office. It listens on loopback only; a reverse\n"
       "# proxy in front of it speaks TLS (/usr/share/doc/ijken-office/examples/nginx-ijken-office.conf).\n")
file(GENERATE OUTPUT ${IJKEN_PACKAGING_DIR}/ijken-office.service CONTENT "${IJKEN_UNIT}")
install(FILES ${IJKEN_PACKAGING_DIR}/ijken-office.service DESTINATION /lib/systemd/system
        COMPONENT office EXCLUDE_FROM_ALL)
# The user timer that pushes for a barge computer without the window: enabled by each skipper who
# wants it (systemctl --user enable --now ijken-push.timer), never by the package.
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/deploy/ijken-push.service IJKEN_PUSH_UNIT)
string(FIND "${IJKEN_PUSH_UNIT}" "[Unit]" IJKEN_UNIT_START)
string(SUBSTRING "${IJKEN_PUSH_UNIT}" ${IJKEN_UNIT_START} -1 IJKEN_PUSH_UNIT)
string(REPLACE "/usr/local/bin/ijken" "/usr/bin/ijken" IJKEN_PUSH_UNIT "${IJKEN_PUSH_UNIT}")
string(PREPEND IJKEN_PUSH_UNIT
       "# Sends this barge's surveys to the fleet office, for a barge computer that does not keep the\n"
       "# window open. Put the connection in ~/.config/ijken/push.env (mode 0600), as\n"
       "#   IJKEN_OFFICE=host=kantoor.example.nl dbname=vloot user=schip_anna sslmode=verify-full\n"
       "# the password in ~/.pgpass, then: systemctl --user enable --now ijken-push.timer\n")
file(GENERATE OUTPUT ${IJKEN_PACKAGING_DIR}/ijken-push.service CONTENT "${IJKEN_PUSH_UNIT}")
install(FILES ${IJKEN_PACKAGING_DIR}/ijken-push.service deploy/ijken-push.timer DESTINATION /usr/lib/systemd/user
        COMPONENT program EXCLUDE_FROM_ALL)
install(FILES deploy/ijken-office.env DESTINATION /etc/ijken RENAME office.env
        COMPONENT office EXCLUDE_FROM_ALL)
install(FILES deploy/nginx-ijken-office.conf DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ijken-office/examples
        COMPONENT office)
file(WRITE ${IJKEN_PACKAGING_DIR}/conffiles "/etc/ijken/office.env\n")

# A package is made from what is built; making one never builds (the tests make one beside others
# that run the programs).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ijken)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The ijken developers <ijken@ijken.example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL program office)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://ijken.example.org/")

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME ijken)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION utils)
# libpq is opened when a fleet command first connects, not linked, so the linker's list misses
# it; Qt's platform plugins and the fonts the windows are drawn in likewise.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "libpq5, qt6-qpa-plugins")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "fonts-dejavu-core, qt6-translations-l10n")
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION
   "gauge the cargo of an inland cargo vessel
The skipper reads the gauge marks on port and starboard, with the ship empty
and loaded; the program forms the mean, turns it into the immersion, looks the
tonnage up in the ship's gauge certificate table and shows the cargo taken on
board, plain and with a salt-water correction. Ships, gauge tables and surveys
are kept in one SQLite file; a survey prints as a one-page PDF report in Dutch,
French or German. A barge can send its surveys to a fleet office's PostgreSQL
database.")

set(CPACK_DEBIAN_OFFICE_PACKAGE_NAME ijken-office)
set(CPACK_DEBIAN_OFFICE_PACKAGE_SECTION web)
set(CPACK_COMPONENT_OFFICE_DEPENDS program)
set(CPACK_DEBIAN_OFFICE_PACKAGE_DEPENDS "libpq5")
set(CPACK_DEBIAN_OFFICE_PACKAGE_SUGGESTS "nginx, postgresql")
set(CPACK_DEBIAN_OFFICE_PACKAGE_CONTROL_EXTRA ${IJKEN_PACKAGING_DIR}/conffiles)
set(CPACK_COMPONENT_OFFICE_DESCRIPTION
   "fleet office in the browser for ijken
The office's web server: the office logs in with its PostgreSQL role and reads
the surveys, ships and gauge tables that its barges sent, as pages, CSV and PDF
reports. It runs as a systemd service behind a reverse proxy that speaks TLS;
an nginx site is included as an example.")
include(CPack)
