# What `cmake --install` puts where. The programs find their port libraries from their own
# location, <prefix>/bin/../lib/logic-analyzer, so both folders are fixed relative to the
# prefix and a prefix can be moved as a whole. The rest follows the desktop's conventions:
# a menu entry, the icon in the hicolor theme and man pages.

install(TARGETS logic-analyzer logic-capture RUNTIME DESTINATION bin)

# Qt comes from the system, which the loader finds without help; the port libraries are
# opened by absolute path. An RPATH is only wanted for a Qt outside the system folders, and
# then it names that Qt (never the build tree).
set_target_properties(logic-analyzer logic-capture PROPERTIES
  INSTALL_RPATH ""
  INSTALL_RPATH_USE_LINK_PATH TRUE)

install(FILES "${CMAKE_SOURCE_DIR}/data/logic-analyzer.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")

foreach(size IN ITEMS 16 32 48 128 256)
  install(FILES "${CMAKE_SOURCE_DIR}/assets/icon-${size}.png"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
          RENAME logic-analyzer.png)
endforeach()

# The man pages carry the project's version in their footer: data/ holds them as templates,
# and only the built page (build/data/) is one to read.
foreach(page IN ITEMS logic-analyzer.1 logic-capture.1)
  configure_file("${CMAKE_SOURCE_DIR}/data/${page}.in" "${CMAKE_BINARY_DIR}/data/${page}" @ONLY)
  install(FILES "${CMAKE_BINARY_DIR}/data/${page}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endforeach()
