# Installation (cmake --install) and the packages that CPack makes from it (cpack --preset).
include(GNUInstallDirs)

set(image_folder ressources/pic/picture)
set(CPACK_PACKAGE_VENDOR "the binary-converter authors")
# A placeholder until the project has an address of its own.
set(CPACK_PACKAGE_CONTACT "the binary-converter authors <binary-converter@example.org>")

if(WIN32)
  # A folder to unzip anywhere: the program at the top and the image beside it, where a
  # double-click, which starts the program in its own folder, finds it.
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
  configure_file(doc/binary-converter.1.in binary-converter.1 @ONLY)
  set(manual_page ${CMAKE_CURRENT_BINARY_DIR}/binary-converter.1)
  find_program(GZIP gzip)
  if(GZIP)
    add_custom_command(OUTPUT binary-converter.1.gz
      COMMAND ${GZIP} -9 -n -c binary-converter.1 > binary-converter.1.gz
      DEPENDS ${manual_page})
    add_custom_target(manual-page ALL DEPENDS binary-converter.1.gz)
    set(installed_page ${manual_page}.gz)
  else()
    set(installed_page ${manual_page})
  endif()

  install(TARGETS binary-converter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${installed_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # Its own component: the .deb has the licence in its copyright file instead.
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT licence)
  # The program opens the image relative to the current directory: run it from
  # share/binary-converter to see it.
  install(FILES ${image_folder}/meme.jpg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/binary-converter/${image_folder})

  # What Debian asks of every package besides: the copyright file in its machine-readable
  # form, with the licence's text, and a changelog.
  configure_file(cmake/debian/changelog.in debian/changelog @ONLY)
  if(GZIP)
    add_custom_command(OUTPUT debian/changelog.gz
      COMMAND ${GZIP} -9 -n -c debian/changelog > debian/changelog.gz
      DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog)
    add_custom_target(debian-changelog ALL DEPENDS debian/changelog.gz)
  endif()
  file(READ LICENSE licence)
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" found "${licence}")
  set(copyright_holders "${CMAKE_MATCH_1}")
  string(REGEX MATCH "Permission is hereby granted.*SOFTWARE[.]\n" licence_text "${licence}")
  string(REGEX MATCH "\n\n(The image [^\n]*\n[^\n]*\n)" found "${licence}")
  string(REPLACE "\n" " " licence_comment "${CMAKE_MATCH_1}")
  string(STRIP "${licence_comment}" licence_comment)
  # Continuation lines begin with a space, and an empty one is " .".
  string(STRIP "${licence_text}" licence_text)
  string(REPLACE "\n\n" "\n.\n" licence_text "${licence_text}")
  string(REPLACE "\n" "\n " licence_text "${licence_text}")
  configure_file(cmake/debian/copyright.in debian/copyright @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright
                ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)
endif()

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert a whole number between decimal and binary")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "An interactive console program that converts one non-negative whole number"
  "per run between decimal and binary. It draws a title banner, shows a menu,"
  "reads a choice and one number, prints the result and waits for a key."
  "A binary number is typed and printed as the decimal number whose digits are"
  "its bits: five is 101."
  "Choice 2 converts decimal to hexadecimal and writes each hexadecimal digit"
  "as a two-digit decimal group, most significant first: 255 (FF) gives 1515.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

# The packages are made by cmake/reproducible-packages.cmake from the install that CPack
# stages, all the components below in one tree: the same bytes from any build folder, umask
# or time. `cpack --preset default` makes the .deb and the .tar.gz, `windows` the .zip.
set(CPACK_GENERATOR External)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/reproducible-packages.cmake)
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_BINARY_CONVERTER_SOURCE_DIR ${PROJECT_SOURCE_DIR})
# The script strips the programs itself, where SOURCE_DATE_EPOCH is set: strip writes the
# current time into a Windows program's header otherwise.
set(CPACK_BINARY_CONVERTER_STRIP ${CMAKE_STRIP})
if(WIN32)
  # A folder to unzip anywhere, in one top folder, as the Linux archive has it.
  set(CPACK_BINARY_CONVERTER_FORMATS zip)
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
else()
  # The binary archive is named for its target, as x86_64-linux-gnu.
  if(CMAKE_LIBRARY_ARCHITECTURE)
    set(CPACK_SYSTEM_NAME ${CMAKE_LIBRARY_ARCHITECTURE})
  else()
    string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}-${CMAKE_SYSTEM_NAME}-gnu" CPACK_SYSTEM_NAME)
  endif()
  set(CPACK_BINARY_CONVERTER_FORMATS deb tar.gz)
  # The .deb installs under /usr and keeps the licence in its copyright file alone; the
  # other files of the debian component are for it alone. The archive shows README and
  # LICENSE at its top.
  set(CPACK_BINARY_CONVERTER_DEB_PREFIX usr)
  set(CPACK_BINARY_CONVERTER_NOT_IN_DEB ${CMAKE_INSTALL_DOCDIR}/LICENSE)
  set(CPACK_BINARY_CONVERTER_DEBIAN_ONLY
    ${CMAKE_INSTALL_DOCDIR}/copyright ${CMAKE_INSTALL_DOCDIR}/changelog.gz)
  set(CPACK_BINARY_CONVERTER_TOP_DOCUMENTS
    ${CMAKE_INSTALL_DOCDIR}/README.md ${CMAKE_INSTALL_DOCDIR}/LICENSE)
  set(CPACK_INSTALL_CMAKE_PROJECTS
    "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/"
    "${CMAKE_BINARY_DIR};${PROJECT_NAME};licence;/"
    "${CMAKE_BINARY_DIR};${PROJECT_NAME};debian;/")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Choice 5 starts xdg-open.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS xdg-utils)
endif()
include(CPack)

if(BINARY_CONVERTER_TESTS)
  add_subdirectory(tests/package)
endif()
