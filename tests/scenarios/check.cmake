# Plays one scenario (cmake -DHOST=... -DSCENARIO=... -DHOME_DIR=... -P
# check.cmake) with the options of its "# options:" header lines, and
# checks its exit status and transcript against its "# exit:", "# output:"
# and "# line:" header lines. A scenario that must pass may not show any
# FAIL line.
file(REMOVE_RECURSE ${HOME_DIR})
file(MAKE_DIRECTORY ${HOME_DIR})
set(ENV{HOME} ${HOME_DIR})
set(ENV{XDG_DATA_HOME} ${HOME_DIR}/.local/share)
unset(ENV{KESTRIN_BRIDGE_LOG})
set(options "")
file(STRINGS ${SCENARIO} option_lines REGEX "^# options:")
foreach(l ${option_lines})
  string(REGEX REPLACE "^# options:[ ]*" "" o "${l}")
  separate_arguments(o UNIX_COMMAND "${o}")
  list(APPEND options ${o})
endforeach()
execute_process(COMMAND ${HOST} ${options} --scenario ${SCENARIO}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}")
if(err)
  message("standard error:\n${err}")
endif()

set(expected 0)
file(STRINGS ${SCENARIO} exit_lines REGEX "^# exit:")
foreach(l ${exit_lines})
  string(REGEX REPLACE "^# exit:[ ]*([0-9]+).*" "\\1" expected "${l}")
endforeach()
if(NOT "${status}" STREQUAL "${expected}")
  message(FATAL_ERROR "exit status ${status}, expected ${expected}")
endif()

if("${expected}" STREQUAL "0" AND "\n${out}" MATCHES "\nFAIL ")
  message(FATAL_ERROR "a FAIL line in the transcript of a scenario that must pass")
endif()

# "# line: TEXT": a whole line of the transcript is exactly TEXT.
file(STRINGS ${SCENARIO} exact_lines REGEX "^# line:")
foreach(l ${exact_lines})
  string(REGEX REPLACE "^# line: " "" text "${l}")
  string(FIND "\n${out}" "\n${text}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "no line of the transcript is: ${text}")
  endif()
endforeach()

file(STRINGS ${SCENARIO} output_lines REGEX "^# output:")
foreach(l ${output_lines})
  string(REGEX REPLACE "^# output:[ ]*" "" pattern "${l}")
  if(NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "no line of the transcript matches: ${pattern}")
  endif()
endforeach()
