# CPack's External generator runs this script once it has staged the install in
# CPACK_TEMPORARY_DIRECTORY. It makes the packages named in CPACK_BINARY_CONVERTER_FORMATS
# (deb, tar.gz, zip) so that two builds of one commit give the same bytes, whatever their
# folders, umask, user, locale or time:
# - every time stamp is SOURCE_DATE_EPOCH, taken from the last commit unless it is set;
# - folders are 0755, programs 0755 and every other file 0644, owned by root;
# - entries come in the order of their names, and gzip records neither name nor time.
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed)
  if(failed)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${failed}): ${command}")
  endif()
endfunction()

set(source "${CPACK_BINARY_CONVERTER_SOURCE_DIR}")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
elseif(EXISTS "${source}/.git")
  execute_process(COMMAND git -C "${source}" log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot read the last commit's time: set SOURCE_DATE_EPOCH")
  endif()
else()
  # A source archive made by tools/release dates every file at its commit.
  file(TIMESTAMP "${source}/CMakeLists.txt" epoch "%s" UTC)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a number of seconds: '${epoch}'")
endif()
# dpkg-deb reads it too; zip writes local times.
set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
set(ENV{TZ} UTC)
set(ENV{LC_ALL} C)

set(stage "${CPACK_TEMPORARY_DIRECTORY}")
set(work "${CPACK_TOPLEVEL_DIRECTORY}/reproducible")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
set(name "${CPACK_PACKAGE_FILE_NAME}")

# Whether FILE is a program (ELF or PE), into the variable OUT.
function(is_program file out)
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46" OR magic MATCHES "^4d5a")
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# The programs, stripped where there is a strip (MSVC keeps debug information apart, in .pdb
# files).
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${stage}/*")
foreach(file IN LISTS staged)
  is_program("${file}" program)
  if(program AND CPACK_BINARY_CONVERTER_STRIP)
    run("${CPACK_BINARY_CONVERTER_STRIP}" "${file}")
  endif()
endforeach()

# Folders and programs 0755, every other file 0644, under FOLDER and FOLDER itself.
function(normalise_modes folder)
  file(GLOB_RECURSE entries LIST_DIRECTORIES true "${folder}/*")
  foreach(entry IN LISTS entries ITEMS "${folder}")
    if(IS_DIRECTORY "${entry}")
      set(program TRUE)
    else()
      is_program("${entry}" program)
    endif()
    if(program)
      file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
        GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    else()
      file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endif()
  endforeach()
endfunction()
# Copies the staged tree to DESTINATION without the files and folders in the list EXCLUDE
# (relative to the stage), with normalised modes.
function(normalised_tree destination exclude)
  file(MAKE_DIRECTORY "${destination}")
  file(COPY "${stage}/" DESTINATION "${destination}")
  foreach(path IN LISTS exclude)
    file(REMOVE_RECURSE "${destination}/${path}")
  endforeach()
  normalise_modes("${destination}")
endfunction()
# Every time under FOLDER set to SOURCE_DATE_EPOCH, where the packaging tool takes the files'.
function(touch_all folder)
  run(find "${folder}" -exec touch --no-dereference --date=@${epoch} {} +)
endfunction()
# The files under FOLDER, relative to it and sorted bytewise, into the variable OUT.
function(sorted_files folder out)
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${folder}" "${folder}/*")
  list(SORT files)
  set(${out} "${files}" PARENT_SCOPE)
endfunction()

set(built "")
foreach(format IN LISTS CPACK_BINARY_CONVERTER_FORMATS)
  if(format STREQUAL "tar.gz")
    # Everything in one top folder, with README and LICENSE at its top as well.
    set(top "${work}/tar/${name}")
    normalised_tree("${top}" "${CPACK_BINARY_CONVERTER_DEBIAN_ONLY}")
    foreach(document IN LISTS CPACK_BINARY_CONVERTER_TOP_DOCUMENTS)
      get_filename_component(document_name "${document}" NAME)
      file(COPY_FILE "${top}/${document}" "${top}/${document_name}")
    endforeach()
    touch_all("${work}/tar")
    set(package "${work}/${name}.tar.gz")
    execute_process(
      COMMAND tar --create --format=gnu --sort=name --mtime=@${epoch} --owner=0 --group=0
        --numeric-owner --directory "${work}/tar" "${name}"
      COMMAND gzip -9 -n
      OUTPUT_FILE "${package}" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot make ${package}")
    endif()
  elseif(format STREQUAL "zip")
    # Everything in one top folder.
    set(top "${work}/zip")
    normalised_tree("${top}/${name}" "")
    sorted_files("${top}" files)
    list(JOIN files "\n" listed)
    file(WRITE "${work}/zip-files" "${listed}\n")
    set(package "${work}/${name}.zip")
    find_program(zip_program zip)
    if(zip_program)
      touch_all("${top}")
      # -X: no owners nor extra time stamps, -D: no folder entries, -@: these files in this
      # order.
      execute_process(COMMAND "${zip_program}" -q -X -D -9 "${package}" -@
        INPUT_FILE "${work}/zip-files" WORKING_DIRECTORY "${top}" RESULT_VARIABLE failed)
    else()
      # Without Info-ZIP's zip (as on Windows), CMake's own: the same entries and times, but
      # it records the owner's numbers, so the bytes may vary from builder to builder.
      string(TIMESTAMP date "%Y-%m-%d %H:%M:%S UTC" UTC)  # at SOURCE_DATE_EPOCH
      execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${package}" --format=zip
        "--mtime=${date}" --files-from=${work}/zip-files
        WORKING_DIRECTORY "${top}" RESULT_VARIABLE failed)
    endif()
    if(failed)
      message(FATAL_ERROR "cannot make ${package}")
    endif()
  elseif(format STREQUAL "deb")
    # Where dpkg-shlibdeps looks for a package's files, beside the debian/control it wants.
    set(root "${work}/debian/${CPACK_PACKAGE_NAME}")
    normalised_tree("${root}/${CPACK_BINARY_CONVERTER_DEB_PREFIX}" "${CPACK_BINARY_CONVERTER_NOT_IN_DEB}")
    execute_process(COMMAND dpkg --print-architecture
      OUTPUT_VARIABLE architecture OUTPUT_STRIP_TRAILING_WHITESPACE)

    sorted_files("${root}" files)
    # Installed-Size as dpkg-gencontrol counts it: each file in whole KiB, each folder as one.
    set(size 0)
    set(sums "")
    foreach(file IN LISTS files)
      file(SIZE "${root}/${file}" bytes)
      math(EXPR size "${size} + (${bytes} + 1023) / 1024")
      file(MD5 "${root}/${file}" md5)
      string(APPEND sums "${md5}  ${file}\n")
    endforeach()
    file(GLOB_RECURSE folders LIST_DIRECTORIES true "${root}/*")
    foreach(folder IN LISTS folders)
      if(IS_DIRECTORY "${folder}")
        math(EXPR size "${size} + 1")
      endif()
    endforeach()

    # The libraries' packages, as dpkg-shlibdeps finds them: it takes the folder that holds
    # DEBIAN for the package's root.
    file(MAKE_DIRECTORY "${root}/DEBIAN")
    file(WRITE "${work}/debian/control"
      "Source: ${CPACK_PACKAGE_NAME}\n\nPackage: ${CPACK_PACKAGE_NAME}\nArchitecture: any\n")
    set(programs "")
    foreach(file IN LISTS files)
      if(IS_SYMLINK "${root}/${file}")
        continue()
      endif()
      file(READ "${root}/${file}" magic LIMIT 4 HEX)
      if(magic STREQUAL "7f454c46")
        list(APPEND programs "debian/${CPACK_PACKAGE_NAME}/${file}")
      endif()
    endforeach()
    set(depends "")
    if(programs)
      execute_process(COMMAND dpkg-shlibdeps -O ${programs} WORKING_DIRECTORY "${work}"
        OUTPUT_VARIABLE found RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "dpkg-shlibdeps failed")
      endif()
      string(REGEX MATCH "shlibs:Depends=([^\n]*)" found "${found}")
      set(depends "${CMAKE_MATCH_1}")
    endif()

    set(control "Package: ${CPACK_PACKAGE_NAME}\nVersion: ${CPACK_PACKAGE_VERSION}\n")
    string(APPEND control "Architecture: ${architecture}\n"
      "Maintainer: ${CPACK_PACKAGE_CONTACT}\nInstalled-Size: ${size}\n")
    if(depends)
      string(APPEND control "Depends: ${depends}\n")
    endif()
    if(CPACK_DEBIAN_PACKAGE_SUGGESTS)
      string(APPEND control "Suggests: ${CPACK_DEBIAN_PACKAGE_SUGGESTS}\n")
    endif()
    string(REPLACE "\n" "\n " description "${CPACK_PACKAGE_DESCRIPTION}")
    string(APPEND control "Section: ${CPACK_DEBIAN_PACKAGE_SECTION}\n"
      "Priority: ${CPACK_DEBIAN_PACKAGE_PRIORITY}\n"
      "Description: ${CPACK_PACKAGE_DESCRIPTION_SUMMARY}\n ${description}\n")
    file(WRITE "${root}/DEBIAN/control" "${control}")
    file(WRITE "${root}/DEBIAN/md5sums" "${sums}")
    normalise_modes("${root}")
    touch_all("${root}")
    set(package "${work}/${CPACK_PACKAGE_NAME}_${CPACK_PACKAGE_VERSION}_${architecture}.deb")
    # dpkg-deb dates every member at SOURCE_DATE_EPOCH and sorts the entries.
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -z9 --build "${root}" "${package}"
      OUTPUT_QUIET RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot make ${package}")
    endif()
  else()
    message(FATAL_ERROR "unknown package format '${format}'")
  endif()
  list(APPEND built "${package}")
endforeach()
set(CPACK_EXTERNAL_BUILT_PACKAGES "${built}")
