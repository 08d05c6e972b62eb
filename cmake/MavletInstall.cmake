# Installation and the Debian package. `cmake --install` puts mavlet, mavtool and quillget in
# bin, the player's desktop entry and icon, a man page for each program and mavtool's bash
# completion under share; `cpack` (in the build folder) makes mavlet_VERSION_ARCH.deb, whose
# dependencies dpkg-shlibdeps reads from the programs themselves (plus the Japanese font the
# text window looks for). Nothing here runs at build time except compressing the man pages.
include(GNUInstallDirs)

install(TARGETS mavlet mavtool quillget RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(_packaging ${PROJECT_SOURCE_DIR}/packaging)
install(FILES ${_packaging}/mavlet.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_packaging}/mavlet.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_packaging}/completion/mavtool.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME mavtool)

# Man pages carry the project's version and are installed gzip-compressed, as Debian expects.
foreach(page mavlet mavtool quillget)
  set(_page ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1)
  set(VERSION ${PROJECT_VERSION})
  configure_file(${_packaging}/man/${page}.1 ${_page} @ONLY)
  file(ARCHIVE_CREATE OUTPUT ${_page}.gz PATHS ${_page} FORMAT raw COMPRESSION GZip)
  install(FILES ${_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mavlet)
set(CPACK_PACKAGE_VENDOR "Mavlet developers")
set(CPACK_PACKAGE_CONTACT "Mavlet developers <mavlet@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "player for picture-and-text titles (visual novels)")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Mavlet plays visual novels and illustrated stories: layered pictures, a Japanese text\n"
    "window, choices, screen transitions, particle effects, movies and sound. mavtool packs,\n"
    "builds, inspects and runs titles from the command line; quillget fetches a title's\n"
    "missing data files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond the linked libraries: the font the text window resolves to, and Qt's window-system
# plugins, which quillget loads at run time and so no library scan can see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fontconfig, fonts-ipafont-gothic, qt6-qpa-plugins")
# The player asks its questions (the save folder above all) through the desktop's dialog
# program when there is one; without it the player draws its own box in the game window.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "zenity")
include(CPack)
