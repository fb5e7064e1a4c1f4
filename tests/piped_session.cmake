# Runs PROGRAM (through RUN, when set) with INPUT on its standard input and checks that it exits
# with STATUS and that its output ends with EXPECTED, or, when EXPECTED ends with the pause
# prompt's first words, goes on to that prompt. Off a terminal nothing clears the console, so
# the output holds no escape sequence. In INPUT and EXPECTED, \n is a newline. The input waits
# in a file beside the program, or in FOLDER where given.
string(REPLACE "\\n" "\n" input "${INPUT}")
string(REPLACE "\\n" "\n" expected "${EXPECTED}")
if(NOT FOLDER)
  get_filename_component(FOLDER "${PROGRAM}" DIRECTORY)
endif()
string(MD5 tag "${INPUT}")
set(input_file "${FOLDER}/session-${tag}.txt")
file(WRITE "${input_file}" "${input}")

execute_process(COMMAND ${RUN} "${PROGRAM}"
  INPUT_FILE "${input_file}"
  OUTPUT_VARIABLE output
  RESULT_VARIABLE status)
string(REPLACE "\r" "" output "${output}")

string(FIND "${output}" "${expected}" found REVERSE)
string(LENGTH "${output}" output_length)
string(LENGTH "${expected}" expected_length)
math(EXPR at_the_end "${output_length} - ${expected_length}")
if(expected MATCHES "Press any key$")
  set(shown ${found} GREATER_EQUAL 0)
else()
  set(shown ${found} EQUAL ${at_the_end})
endif()
string(ASCII 27 escape)
string(FIND "${output}" "${escape}" escaped)
if(NOT (${shown}) OR NOT status STREQUAL STATUS OR escaped GREATER_EQUAL 0)
  message(FATAL_ERROR "status ${status} (wanted ${STATUS}), output:\n${output}\n"
                      "wanted, with no escape sequence anywhere:\n${expected}")
endif()
