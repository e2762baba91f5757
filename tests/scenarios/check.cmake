# Plays one scenario (cmake -DHOST=... -DSCENARIO=... -DHOME_DIR=... -P
# check.cmake) with the options of its "# options:" header lines, and
# checks its exit status and transcript against its "# exit:" and
# "# output:" header lines.
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

file(STRINGS ${SCENARIO} output_lines REGEX "^# output:")
foreach(l ${output_lines})
  string(REGEX REPLACE "^# output:[ ]*" "" pattern "${l}")
  if(NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "no line of the transcript matches: ${pattern}")
  endif()
endforeach()
