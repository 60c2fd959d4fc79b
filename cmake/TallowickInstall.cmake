# What `cmake --install` lays out, in the places a Linux desktop and shell
# look for them, and the Debian package that CPack makes of it
# (`cpack -G DEB`). The programs go to bin/ (their own CMakeLists.txt);
# their run-time data to share/tallowick/, where they find it from
# <exe dir>/../share/tallowick, so a moved install tree keeps working.
include(GNUInstallDirs)

set(TLW_DATA_DIR ${CMAKE_INSTALL_DATADIR}/tallowick)
install(FILES data/Country_Codes.dat data/Tallowick_Help.html data/sample_access.log
        DESTINATION ${TLW_DATA_DIR})
install(FILES data/man/tallowick-cli.1 data/man/tallowick.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/completion/tallowick-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tallowick-cli)
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
