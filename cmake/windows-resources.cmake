# The .exe's resources: version information that Explorer shows under Properties > Details, and
# the application manifest (windows/). The version is the project's, the copyright LICENSE's.
enable_language(RC)

file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE rc_copyright REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT rc_copyright)
  message(FATAL_ERROR "LICENSE has no Copyright line for the .exe's version information")
endif()
# Task Manager shows the description as the process's name.
set(rc_company "The binary-converter Authors")
set(rc_description ${PROJECT_NAME})
set(rc_version ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)

set(manifest ${CMAKE_CURRENT_BINARY_DIR}/binary-converter.manifest)
configure_file(windows/binary-converter.manifest.in ${manifest} @ONLY)
configure_file(windows/binary-converter.rc.in binary-converter.rc @ONLY)
target_sources(binary-converter PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/binary-converter.rc)
# The resource compiler reads the manifest, which CMake does not see as a source of its own.
set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/binary-converter.rc APPEND PROPERTY
  OBJECT_DEPENDS ${manifest})
if(MSVC)
  # The .rc brings the manifest; MSVC's linker would add one of its own besides.
  target_link_options(binary-converter PRIVATE /MANIFEST:NO)
endif()
