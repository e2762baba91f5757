# The console with its input from a file, on a script whose name and text
# hold a clear-screen sequence and a clipboard-setting one (OSC 52): the
# script is drawn and run (the demo bridge prints its first lines), and
# whatever reaches the terminal holds those sequences only as symbols
# (cmake -DHOST=... -DEDITOR_DIR=... -DHOME_DIR=... -P console_escapes.cmake).
file(REMOVE_RECURSE ${HOME_DIR})
file(MAKE_DIRECTORY ${HOME_DIR}/work)
set(ENV{HOME} ${HOME_DIR})
set(ENV{XDG_DATA_HOME} ${HOME_DIR}/.local/share)
file(COPY ${EDITOR_DIR}/ DESTINATION ${HOME_DIR}/editor
  PATTERN CMakeFiles EXCLUDE PATTERN "*.a" EXCLUDE PATTERN "*.cmake" EXCLUDE PATTERN Makefile EXCLUDE
  PATTERN "*.db*" EXCLUDE PATTERN "*.log" EXCLUDE PATTERN "*.tsk" EXCLUDE PATTERN "*.atb" EXCLUDE
  PATTERN Bookmarks.txt EXCLUDE PATTERN _Temp.vbs EXCLUDE)
string(ASCII 27 escape)
string(ASCII 7 bell)
set(clear "${escape}[2J")
set(clipboard "${escape}]52;c;cm0gLXJmIH4=${bell}")
set(script "${HOME_DIR}/work/a${clear}${clipboard}.vbs")
file(WRITE "${script}" "' ${clear} cleared\r\nMsgBox \"${clipboard}\"\r\n")
file(WRITE ${HOME_DIR}/input.txt
  "answer open \"${script}\"\n"
  "tool ID_FileOpen\n"
  "show\n"
  "tool ID_ExecuteScript\n"
  "quit\n")
execute_process(COMMAND ${HOST} --editor ${HOME_DIR}/editor --registry ${HOME_DIR}/hives new
  INPUT_FILE ${HOME_DIR}/input.txt
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REPLACE "${escape}" "<ESC>" shown "${out}")
message("${shown}")
if(err)
  message("standard error:\n${err}")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "exit status ${status}, expected 0")
endif()
# The bridge's lines: ESC drawn as U+241B, BEL as U+2407.
foreach(pattern "kzenvb: run_vbscript" "kzenvb: . ' ␛.2J cleared")
  if(NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "the console's output lacks: ${pattern}")
  endif()
endforeach()
foreach(byte "${escape}" "${bell}")
  if(out MATCHES "${byte}")
    message(FATAL_ERROR "a control character of the script or its name reached the terminal")
  endif()
endforeach()
