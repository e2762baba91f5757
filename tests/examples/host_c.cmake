# Installs the editor folder, builds the C host example against the
# installed header and platform library with the C compiler alone, and runs
# it on a copy of the sample script (cmake -DCC=... -DSOURCE_DIR=...
# -DBUILD_DIR=... -DWORK=... -DREADELF=... [-DSANITIZE=ON] -P host_c.cmake).
# No user is installed, so every prompt gets its Cancel and every window its
# abandon: RunEditor opens the editor and returns when it has closed.
file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
set(editor ${prefix}/lib/kestrin/editor)
set(home ${WORK}/home)
set(registry ${WORK}/registry)
file(MAKE_DIRECTORY ${home} ${registry} ${WORK}/run)

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
if(status)
  message(FATAL_ERROR "the install failed: ${err}")
endif()

# The installed libraries find each other beside themselves, nowhere else.
foreach(lib KestrinScriptEditor.so libkestrin_platform.so)
  if(NOT EXISTS ${editor}/${lib})
    message(FATAL_ERROR "${lib} is not in the installed editor folder")
  endif()
  execute_process(COMMAND ${READELF} -d ${editor}/${lib} OUTPUT_VARIABLE dynamic)
  string(REGEX MATCHALL "\\((RPATH|RUNPATH)\\)[^\n]*" paths "${dynamic}")
  if(NOT paths MATCHES "^\\(RUNPATH\\)[^\n]*\\[\\$ORIGIN\\]$")
    message(FATAL_ERROR "${lib} carries the search path \"${paths}\", not $ORIGIN alone")
  endif()
endforeach()
foreach(sub Data VB Addlets Help Common/Temp)
  if(NOT IS_DIRECTORY ${editor}/${sub})
    message(FATAL_ERROR "the installed editor folder lacks ${sub}")
  endif()
endforeach()

set(flags -std=c11 -Wall -Wextra -Werror -pedantic)
if(SANITIZE)
  list(APPEND flags -fsanitize=address,undefined)
endif()
execute_process(COMMAND ${CC} ${flags} -I${prefix}/include
    ${SOURCE_DIR}/examples/host-c/host_c.c -o ${WORK}/kestrin-host-c
    ${editor}/libkestrin_platform.so -Wl,-rpath,${editor} -ldl
  RESULT_VARIABLE status ERROR_VARIABLE err)
if(status)
  message(FATAL_ERROR "the C host does not build:\n${err}")
endif()

# The installation registered the component in its own machine hive.
if(NOT EXISTS ${editor}/machine.db)
  message(FATAL_ERROR "the install wrote no class registration beside the component")
endif()
file(SHA256 ${editor}/machine.db installed_before)
configure_file(${SOURCE_DIR}/examples/hello.vbs ${WORK}/hello.vbs COPYONLY)
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=KESTRIN_REGISTRY
    HOME=${home} XDG_DATA_HOME=${home}/.local/share XDG_RUNTIME_DIR=${WORK}/run
    ${WORK}/kestrin-host-c ${registry} ${WORK}/hello.vbs
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}")
if(err)
  message("standard error:\n${err}")
endif()
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "the C host ended with ${status}")
endif()

set(hello "${WORK}/hello.vbs")
foreach(line
    "DllRegisterServer: 0x00000000"
    "CoInitialize: 0x00000000"
    "CLSIDFromProgID: 0x00000000"
    "CoCreateInstance: 0x00000000"
    "DllCanUnloadNow while the editor object lives: 0x00000001"
    "GetIDsOfNames RunEditor: 0x00000000 id 0x60030001"
    "GetIDsOfNames FreeEditor: 0x00000000 id 0x60030002"
    "RunEditor: 0x00000000"
    "RunEditor script: ${hello}"
    "FreeEditor: 0x00000000"
    "FreeEditor result: Empty"
    "Invoke with another interface id: 0x80020001"
    "Release: 0"
    "DllCanUnloadNow after the release: 0x00000000"
    "unloaded: yes"
    "CoCreateInstance again: 0x00000000"
    "all steps as expected")
  string(FIND "${out}" "${line}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the C host did not write \"${line}\"")
  endif()
endforeach()
if(NOT out MATCHES "RunEditor result: Long [1-9][0-9]*\n")
  message(FATAL_ERROR "RunEditor gave no window handle")
endif()

# The registration went into the chosen folder, not beside the component,
# and nothing went into the home folder.
if(NOT EXISTS ${registry}/machine.db)
  message(FATAL_ERROR "the chosen registry folder holds no machine hive")
endif()
file(SHA256 ${editor}/machine.db installed_after)
if(NOT installed_after STREQUAL installed_before)
  message(FATAL_ERROR "the installed machine hive beside the component was written")
endif()
# A hive closed at the end of a run leaves its file alone: no write-ahead
# log or shared-memory index beside it (the install's included).
file(GLOB side_files ${registry}/*-wal ${registry}/*-shm ${registry}/*-journal ${editor}/*-wal ${editor}/*-shm)
if(side_files)
  message(FATAL_ERROR "files of open hives were left behind: ${side_files}")
endif()
file(GLOB_RECURSE written LIST_DIRECTORIES true ${home}/*)
if(written)
  message(FATAL_ERROR "the C host wrote into the home folder: ${written}")
endif()
