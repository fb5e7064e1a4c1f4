# Runs PROGRAM through RUN in the folder SCRATCH with INPUT (\n for a newline) and checks that it
# exits with STATUS and that its standard error is ERROR. PLANTED names a batch file to put
# there first, which must not run: it would leave planted.txt behind. With CLOSED set, the
# output goes to a pipe whose reader takes a few bytes and goes.
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
if(PLANTED)
  file(WRITE "${SCRATCH}/${PLANTED}" "@echo planted> \"%~dp0planted.txt\"\r\n")
endif()
string(REPLACE "\\n" "\n" input "${INPUT}")
file(WRITE "${SCRATCH}/input.txt" "${input}")
if(CLOSED)
  set(reader COMMAND head -c 10)
endif()
execute_process(COMMAND ${RUN} "${PROGRAM}" ${reader}
  WORKING_DIRECTORY "${SCRATCH}"
  INPUT_FILE "${SCRATCH}/input.txt"
  OUTPUT_QUIET
  ERROR_VARIABLE error
  RESULTS_VARIABLE statuses)
list(GET statuses 0 status)
string(REPLACE "\r" "" error "${error}")
string(STRIP "${error}" error)
file(GLOB_RECURSE planted "${SCRATCH}/*planted.txt")
if(NOT status STREQUAL STATUS OR NOT error STREQUAL ERROR OR planted)
  message(FATAL_ERROR "status ${status} (wanted ${STATUS}), standard error:\n${error}\n"
                      "wanted:\n${ERROR}\nplanted program run: ${planted}")
endif()
