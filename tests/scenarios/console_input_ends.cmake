# The console's input ends while the editor holds a modified script: its
# close question is answered Cancel, as by nobody, so the window stays; the
# host ends all the same, whole, with the typed text in the emergency copy
# beside the script and one line on standard error naming it. An
# unmodified script leaves no copy.
# (cmake -DHOST=... -DEDITOR_DIR=... -DHOME_DIR=... -P console_input_ends.cmake)
file(REMOVE_RECURSE ${HOME_DIR})
file(MAKE_DIRECTORY ${HOME_DIR})
set(ENV{HOME} ${HOME_DIR})
set(ENV{XDG_DATA_HOME} ${HOME_DIR}/.local/share)
set(ENV{XDG_STATE_HOME} ${HOME_DIR}/state)
set(ENV{KESTRIN_BRIDGE_LOG} ${HOME_DIR}/bridge.log)
file(COPY ${EDITOR_DIR}/ DESTINATION ${HOME_DIR}/editor
  PATTERN CMakeFiles EXCLUDE PATTERN "*.a" EXCLUDE PATTERN "*.cmake" EXCLUDE PATTERN Makefile EXCLUDE
  PATTERN "*.db*" EXCLUDE PATTERN "*.log" EXCLUDE PATTERN "*.tsk" EXCLUDE PATTERN "*.atb" EXCLUDE
  PATTERN Bookmarks.txt EXCLUDE PATTERN _Temp.vbs EXCLUDE)

string(HEX "' saved\r\n" saved)
string(HEX "' typed\r\n' saved\r\n" typed)
foreach(case modified unmodified)
  set(script ${HOME_DIR}/${case}.vbs)
  file(WRITE ${script} "' saved\r\n")
  if(case STREQUAL "modified")
    file(WRITE ${HOME_DIR}/input.txt "caret 1 1\ntype \"' typed\\r\\n\"\n")
  else()
    file(WRITE ${HOME_DIR}/input.txt "caret 1 1\n")
  endif()
  execute_process(COMMAND ${HOST} --editor ${HOME_DIR}/editor --registry ${HOME_DIR}/hives ${script}
    INPUT_FILE ${HOME_DIR}/input.txt
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${case}: exit status ${status}, expected 0\n${out}\nstandard error:\n${err}")
  endif()
  # Compared as bytes: the line ends are part of the text.
  file(READ ${script} kept HEX)
  if(NOT kept STREQUAL "${saved}")
    message(FATAL_ERROR "${case}: the script changed: ${kept}")
  endif()
  file(GLOB state_files ${HOME_DIR}/state/kestrin/*.save*)
  if(state_files)
    message(FATAL_ERROR "${case}: a copy went to the state folder: ${state_files}")
  endif()
  if(case STREQUAL "modified")
    if(NOT EXISTS ${script}.save)
      message(FATAL_ERROR "no emergency copy beside the script\n${out}\nstandard error:\n${err}")
    endif()
    file(READ ${script}.save copy HEX)
    if(NOT copy STREQUAL "${typed}")
      message(FATAL_ERROR "the emergency copy is not the typed text: ${copy}")
    endif()
    if(NOT err STREQUAL "Kestrin VB Script Editor: the unsaved changes of ${script} are in ${script}.save\n")
      message(FATAL_ERROR "standard error is not the one line naming the copy: ${err}")
    endif()
  else()
    if(EXISTS ${script}.save OR err)
      message(FATAL_ERROR "an unmodified script left a copy or a word on standard error: ${err}")
    endif()
  endif()
endforeach()
