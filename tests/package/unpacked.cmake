# Unpacks PACKAGE (.deb, .tar.gz or .zip) into SCRATCH, checks that it holds exactly FILES and
# that those in CRLF have CRLF line ends and no line that an 80-column console would wrap, then
# runs the piped SESSION of PROGRAM from its folder, through RUN (an emulator); where RUN is
# `chroot` and what else the root needs (a static emulator), in an empty root that holds only
# those and the program. FILES and CRLF are comma-separated.
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
if(PACKAGE MATCHES "[.]deb$")
  set(unpack dpkg-deb -x "${PACKAGE}" .)
else()
  set(unpack ${CMAKE_COMMAND} -E tar xf "${PACKAGE}")
endif()
execute_process(COMMAND ${unpack} WORKING_DIRECTORY "${SCRATCH}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot unpack ${PACKAGE}: make the release first (tools/release)")
endif()

file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE "${SCRATCH}" "${SCRATCH}/*")
list(SORT found)
string(REPLACE "," ";" wanted "${FILES}")
list(SORT wanted)
if(NOT found STREQUAL wanted)
  string(REPLACE ";" "\n  " found "${found}")
  string(REPLACE ";" "\n  " wanted "${wanted}")
  message(FATAL_ERROR "${PACKAGE} holds\n  ${found}\nwanted\n  ${wanted}")
endif()

string(REPLACE "," ";" crlf "${CRLF}")
foreach(text IN LISTS crlf)
  # As bytes: file(READ) as text would drop the carriage returns.
  file(READ "${SCRATCH}/${text}" hex HEX)
  string(REGEX REPLACE "(..)" "\\1 " bytes "${hex}")
  string(REPLACE "0d 0a " "" bare "${bytes}")
  if(bare STREQUAL bytes OR bare MATCHES "0a ")
    message(FATAL_ERROR "${text}: not every line ends with CRLF")
  endif()
  string(REPEAT "[^\r]" 80 wide)
  file(STRINGS "${SCRATCH}/${text}" long REGEX "${wide}")
  if(long)
    message(FATAL_ERROR "${text}: lines over 79 columns:\n${long}")
  endif()
endforeach()

set(program "${SCRATCH}/${PROGRAM}")
get_filename_component(folder "${program}" DIRECTORY)
if(RUN MATCHES "^chroot(;|$)")
  list(POP_FRONT RUN)
  set(folder "${SCRATCH}-root")
  file(REMOVE_RECURSE "${folder}")
  file(COPY "${program}" ${RUN} DESTINATION "${folder}")
  list(TRANSFORM RUN REPLACE ".*/" "/")
  get_filename_component(program "${program}" NAME)
  set(RUN chroot "${folder}" ${RUN})
  set(program "/${program}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} "-DRUN=${RUN}" "-DPROGRAM=${program}"
    "-DINPUT=${INPUT}" "-DEXPECTED=${EXPECTED}" "-DSTATUS=${STATUS}" "-DFOLDER=${SCRATCH}"
    -P "${SESSION}"
  WORKING_DIRECTORY "${folder}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "the program from ${PACKAGE} failed its session")
endif()
