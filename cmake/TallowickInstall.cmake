# What `cmake --install` lays out, in the places a Linux desktop and shell
# look for them, and the Debian package that CPack makes of it
# (`cpack -G DEB`). The programs go to bin/ (their own CMakeLists.txt);
# their run-time data to share/tallowick/, where they find it from
# <exe dir>/../share/tallowick, so a moved install tree keeps working.
include(GNUInstallDirs)

set(TLW_DATA_DIR ${CMAKE_INSTALL_DATADIR}/tallowick)
install(FILES data/Country_Codes.dat data/Tallowick_Help.html data/sample_access.log
        DESTINATION ${TLW_DATA_DIR})
# The robot patterns (see the top CMakeLists.txt), and the package's
# copyright file with their MIT licence.
install(FILES ${TLW_ROBOT_PATTERNS_DIR}/crawler-user-agents.json DESTINATION ${TLW_DATA_DIR})
file(READ ${TLW_ROBOT_PATTERNS_DIR}/VERSION robot_patterns_version)
string(STRIP "${robot_patterns_version}" robot_patterns_version)
file(READ ${TLW_ROBOT_PATTERNS_DIR}/LICENSE robot_patterns_license)
file(WRITE ${CMAKE_BINARY_DIR}/copyright
  "Tallowick Web Statistics\nCopyright: Tallowick developers <tallowick@example.com>\n\n"
  "/usr/share/tallowick/crawler-user-agents.json is the list of robots' user agents of the npm\n"
  "package crawler-user-agents ${robot_patterns_version} "
  "(https://github.com/monperrus/crawler-user-agents), under this licence:\n\n"
  "${robot_patterns_license}")
install(FILES ${CMAKE_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tallowick)
install(FILES data/man/tallowick-cli.1 data/man/tallowick.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/completion/tallowick-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tallowick-cli)
install(FILES data/completion/tallowick.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tallowick)
install(FILES data/completion/_tallowick-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES data/completion/tallowick-cli.fish
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
install(FILES docs/scheduling/tallowick.service docs/scheduling/tallowick.timer
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
if(TLW_BUILD_UI)
  install(FILES data/desktop/com.example.Tallowick.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES data/desktop/com.example.Tallowick.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES data/icons/tallowick.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME com.example.Tallowick.svg)
endif()

set(CPACK_PACKAGE_NAME tallowick)
set(CPACK_PACKAGE_VENDOR "Tallowick developers")
set(CPACK_PACKAGE_CONTACT "Tallowick developers <tallowick@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "web statistics: access logs into an HTML traffic report")
set(CPACK_PACKAGE_DESCRIPTION
    "Tallowick reads the access logs of web servers (NCSA, W3C and other layouts, plain or \
gzip, local or over FTP, FTPS and SFTP) and writes an HTML report with bar graphs. \
tallowick-cli runs from a terminal, cron or a systemd timer; tallowick is the desktop program.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY tallowick)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.example.com/tallowick/")
# dpkg-shlibdeps finds the libraries the programs link; libcurl (at the
# first transfer) and OpenSSL (at the first mail over TLS) are opened with
# dlopen, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4, libssl3")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "geoip-database")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland, bash-completion")
include(CPack)
