# The console user with its input from a file (no terminal): a line typed,
# drawn, checked, and quit (cmake -DHOST=... -DEDITOR_DIR=... -DHOME_DIR=...
# -P console.cmake). The console works on a copy of the editor folder, so
# that what the editor leaves there stays with this test.
file(REMOVE_RECURSE ${HOME_DIR})
file(MAKE_DIRECTORY ${HOME_DIR})
set(ENV{HOME} ${HOME_DIR})
set(ENV{XDG_DATA_HOME} ${HOME_DIR}/.local/share)
set(ENV{KESTRIN_BRIDGE_LOG} ${HOME_DIR}/bridge.log)
file(COPY ${EDITOR_DIR}/ DESTINATION ${HOME_DIR}/editor
  PATTERN CMakeFiles EXCLUDE PATTERN "*.a" EXCLUDE PATTERN "*.cmake" EXCLUDE PATTERN Makefile EXCLUDE
  PATTERN "*.db*" EXCLUDE PATTERN "*.log" EXCLUDE PATTERN "*.tsk" EXCLUDE PATTERN "*.atb" EXCLUDE
  PATTERN Bookmarks.txt EXCLUDE PATTERN _Temp.vbs EXCLUDE)
file(WRITE ${HOME_DIR}/input.txt
  "help\n"
  "caret 1 1\n"
  "type \"' typed at the console\\r\\n\"\n"
  "show\n"
  "expect line 1 \"' typed at the console\"\n"
  "quit\n"
  "No\n")
execute_process(COMMAND ${HOST} --editor ${HOME_DIR}/editor --registry ${HOME_DIR}/hives new
  INPUT_FILE ${HOME_DIR}/input.txt
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}")
if(err)
  message("standard error:\n${err}")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "exit status ${status}, expected 0")
endif()
foreach(pattern "== Kestrin VB Script Editor ==" "has changed, do you want to save changes\\?\" YesNoCancel question -> No" "\n  ' typed at the console" "RunEditor -> [1-9]" "expect msgbox")
  if(NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "the console's output lacks: ${pattern}")
  endif()
endforeach()
string(ASCII 27 escape)
foreach(pattern "FAIL" "ERROR" "note:" "${escape}")
  if(out MATCHES "${pattern}")
    message(FATAL_ERROR "the console's output has: ${pattern}")
  endif()
endforeach()
