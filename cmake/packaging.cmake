# Installation (cmake --install) and the packages that CPack makes from it (cpack --preset).
include(GNUInstallDirs)

set(image_folder ressources/pic/picture)

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
  install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # The program opens the image relative to the current directory: run it from
  # share/binary-converter to see it.
  install(FILES ${image_folder}/meme.jpg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/binary-converter/${image_folder})

  # What Debian asks of every package besides: the licence as copyright, and a changelog.
  configure_file(cmake/debian/changelog.in debian/changelog @ONLY)
  if(GZIP)
    add_custom_command(OUTPUT debian/changelog.gz
      COMMAND ${GZIP} -9 -n -c debian/changelog > debian/changelog.gz
      DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog)
    add_custom_target(debian-changelog ALL DEPENDS debian/changelog.gz)
  endif()
  configure_file(LICENSE debian/copyright COPYONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright
                ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)
endif()

set(CPACK_PACKAGE_VENDOR "the binary-converter authors")
set(CPACK_PACKAGE_CONTACT "the binary-converter authors <binary-converter@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert a whole number between decimal and binary")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "An interactive console program that converts one non-negative whole number"
  "per run between decimal and binary. It draws a title banner, shows a menu,"
  "reads a choice and one number, prints the result and waits for a key."
  "A binary number is typed and printed as the decimal number whose digits are"
  "its bits: five is 101.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR TGZ)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The .deb alone adds the Debian files to the install tree.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/cpack-per-generator.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE} "\
if(CPACK_GENERATOR STREQUAL \"DEB\")
  set(CPACK_INSTALL_CMAKE_PROJECTS
    \"${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/;${CMAKE_BINARY_DIR};${PROJECT_NAME};debian;/\")
endif()
")
include(CPack)

if(BINARY_CONVERTER_TESTS)
  add_subdirectory(tests/package)
endif()
