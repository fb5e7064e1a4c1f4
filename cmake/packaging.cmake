# Installation (cmake --install), from which tools/release makes the archives and debhelper the
# Debian package.
include(GNUInstallDirs)

set(image_folder ressources/pic/picture)

if(WIN32)
  # A folder to unzip anywhere: the program at the top and the image beside it, where a
  # double-click, which starts the program in its own folder, finds it.
  if(MINGW)
    # strip, which cmake --install --strip runs, writes a time into the .exe's header, where the
    # linker wrote none: SOURCE_DATE_EPOCH's, else the current one. Given 0, it writes none.
    install(CODE [[set(ENV{SOURCE_DATE_EPOCH} 0)]])
  endif()
  install(TARGETS binary-converter RUNTIME DESTINATION .)
  install(FILES ${image_folder}/meme.jpg DESTINATION ${image_folder})
  # A guide for whoever unzips it, not the developers' README; both in Windows' line ends.
  configure_file(doc/README-windows.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt
    DESTINATION .)
  if(MINGW)
    # The .exe holds parts of GCC's runtime and of MinGW-w64, whose notices must come with every
    # copy, in full: windows/LICENSE-*, the GNU GPL's text from the system (HACKING.md says how
    # the list is kept true).
    set(BINARY_CONVERTER_GPL_3 /usr/share/common-licenses/GPL-3
      CACHE FILEPATH "The text of the GNU General Public License, version 3")
    if(NOT EXISTS "${BINARY_CONVERTER_GPL_3}")
      message(FATAL_ERROR "No GNU GPL text at '${BINARY_CONVERTER_GPL_3}': "
                          "set BINARY_CONVERTER_GPL_3 to a copy of it")
    endif()
    file(READ "${BINARY_CONVERTER_GPL_3}" GPL_3)
    # Its own line ends too: configure_file gives the template's alone CRLF.
    string(REGEX REPLACE "\n$" "" GPL_3 "${GPL_3}")
    string(REPLACE "\n" "\r\n" GPL_3 "${GPL_3}")
    configure_file(windows/LICENSE-GCC-runtime.txt.in LICENSE-GCC-runtime.txt @ONLY
      NEWLINE_STYLE CRLF)
    configure_file(windows/LICENSE-MinGW-w64.txt LICENSE-MinGW-w64.txt @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/LICENSE-GCC-runtime.txt
      ${CMAKE_CURRENT_BINARY_DIR}/LICENSE-MinGW-w64.txt DESTINATION .)
  endif()
else()
  # The manual page as it is: debhelper compresses it for the Debian package, tools/release for
  # the Linux tree.
  configure_file(doc/binary-converter.1.in binary-converter.1 @ONLY)
  install(TARGETS binary-converter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/binary-converter.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # Where choice 5 finds the image when the current directory has none.
  install(FILES ${image_folder}/meme.jpg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/binary-converter/${image_folder})
endif()

if(BINARY_CONVERTER_TESTS)
  add_subdirectory(tests/package)
endif()
