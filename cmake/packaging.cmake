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
    # The .exe holds parts of MinGW-w64, whose notices must come with every copy: its C runtime's
    # start-up code and winpthreads, under the licences that its package's copyright file lists.
    # The parts of GCC's runtime (libstdc++, libgcc) need none: the GCC Runtime Library
    # Exception lets a program compiled from other code, by GCC or by clang, carry them under
    # any terms.
    set(BINARY_CONVERTER_MINGW_NOTICE /usr/share/doc/mingw-w64-x86-64-dev/copyright
      CACHE FILEPATH "The MinGW-w64 runtime's copyright file, shipped with the .exe")
    if(NOT EXISTS "${BINARY_CONVERTER_MINGW_NOTICE}")
      message(FATAL_ERROR "No MinGW-w64 copyright file at '${BINARY_CONVERTER_MINGW_NOTICE}': "
                          "set BINARY_CONVERTER_MINGW_NOTICE to your MinGW-w64's")
    endif()
    file(READ "${BINARY_CONVERTER_MINGW_NOTICE}" notice)
    string(REPLACE "\n" "\r\n" notice "${notice}")
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/LICENSE-MinGW-w64.txt "${notice}")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/LICENSE-MinGW-w64.txt DESTINATION .)
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
