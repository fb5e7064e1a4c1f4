# Runs PROGRAM through RUN in the folder SCRATCH/run with INPUT (\n for a newline) and checks
# that it exits with STATUS and that its standard error is ERROR (@ stands for SCRATCH as Windows
# names it, Z:\...). Before it runs:
# - the program is copied into SCRATCH/FOLDER, with the image beside it unless NO_IMAGE is set;
# - PLANTED names a program to put into the run folder, which must not run (it would leave
#   planted.txt): a batch file, or HELPER as cmd.exe;
# - with NO_COMSPEC set, the command processor starts the program with COMSPEC unset;
# - with STAND_IN set, the system's cmd.exe is HELPER, which Wine runs in the place of its own
#   under WINEDLLOVERRIDES=cmd.exe=n,b: it notes each command line it is given and its folder,
#   "LINE in FOLDER", in planted.txt there, which is then what SHOWN must be.
# With NO_VIEWER set, the program that .jpg is associated with, HELPER, is not there while the
# program runs (the test runs alone). With OPEN set, the input is a pipe that stays open until the program
# ends. With CLOSED set, the output goes to a pipe whose reader takes a few bytes and goes. SHOWN is what the image
# viewer must have been given (@ as above), if anything. With RACE set, HELPER
# runs the program that many times at once, swapping the image with a batch file meanwhile
# (FOLDER is then "run"): the batch file must never run, and the image be shown at least once.
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}/run")
string(REPLACE "/" "\\" windows_scratch "Z:${SCRATCH}")
set(folder "${SCRATCH}/${FOLDER}")
file(COPY "${PROGRAM}" DESTINATION "${folder}")
get_filename_component(program "${PROGRAM}" NAME)
set(image ressources/pic/picture/meme.jpg)
if(NOT NO_IMAGE)
  file(COPY "${SOURCE}/${image}" DESTINATION "${folder}/ressources/pic/picture")
endif()
if(PLANTED MATCHES "[.]bat$")
  file(WRITE "${SCRATCH}/run/${PLANTED}" "@echo planted> \"%~dp0planted.txt\"\r\n")
elseif(PLANTED)
  file(COPY_FILE "${HELPER}" "${SCRATCH}/run/${PLANTED}")
endif()
if(STAND_IN)
  # Replaced by a rename, never rewritten: a program that Wine has started may have it mapped.
  set(system "$ENV{WINEPREFIX}/drive_c/windows/system32")
  file(REMOVE "${system}/planted.txt")
  file(COPY_FILE "${HELPER}" "${system}/cmd.exe.new")
  file(RENAME "${system}/cmd.exe.new" "${system}/cmd.exe")
  set(ENV{WINEDLLOVERRIDES} cmd.exe=n,b)
endif()
if(NO_VIEWER)
  file(RENAME "${HELPER}" "${HELPER}.aside")
endif()
string(REPLACE "\\n" "\n" input "${INPUT}")
file(WRITE "${SCRATCH}/run/input.txt" "${input}")
string(REPLACE "/" "\\" started "Z:${folder}/${program}")
if(RACE)
  file(WRITE "${SCRATCH}/run/aside.bat" "@echo planted> \"%~dp0planted.txt\"\r\n")
  file(WRITE "${SCRATCH}/run/choice.txt" "5\n")
  list(APPEND RUN "${HELPER}" race "${started}" ${RACE})
elseif(OPEN)
  set(RUN sh -c "mkfifo open\n(cat input.txt\nexec sleep 100) 2>&- >open &\n\"$@\" <open\ns=$?\nkill $!\nexit $s"
    sh ${RUN} "${started}")
elseif(NO_COMSPEC)
  set(RUN ${RUN} C:\\windows\\system32\\cmd.exe /c "set COMSPEC=&& ${started}")
else()
  list(APPEND RUN "${started}")
endif()
if(CLOSED)
  set(reader COMMAND head -c 10)
endif()
execute_process(COMMAND ${RUN} ${reader}
  WORKING_DIRECTORY "${SCRATCH}/run"
  INPUT_FILE "${SCRATCH}/run/input.txt"
  OUTPUT_QUIET
  ERROR_VARIABLE error
  RESULTS_VARIABLE statuses)
list(GET statuses 0 status)
if(NO_VIEWER)
  file(RENAME "${HELPER}.aside" "${HELPER}")
endif()
string(REPLACE "\r" "" error "${error}")
string(STRIP "${error}" error)
string(REPLACE "@" "${windows_scratch}" ERROR "${ERROR}")
file(GLOB_RECURSE planted "${SCRATCH}/*planted.txt")
set(shown "")
if(EXISTS "${SCRATCH}/run/shown.txt")
  file(STRINGS "${SCRATCH}/run/shown.txt" shown ENCODING UTF-8)
elseif(STAND_IN AND EXISTS "${system}/planted.txt")
  file(STRINGS "${system}/planted.txt" shown ENCODING UTF-8)
endif()
string(REPLACE "@" "${windows_scratch}" SHOWN "${SHOWN}")
if(RACE AND NOT shown)
  set(wrong "the image was never shown")
elseif(NOT RACE AND NOT shown STREQUAL SHOWN)
  set(wrong "the image shown: '${shown}', wanted: '${SHOWN}'")
endif()
if(NOT status STREQUAL STATUS OR NOT error STREQUAL ERROR OR planted OR wrong)
  message(FATAL_ERROR "status ${status} (wanted ${STATUS}), standard error:\n${error}\n"
                      "wanted:\n${ERROR}\nplanted program run: ${planted}\n${wrong}")
endif()
