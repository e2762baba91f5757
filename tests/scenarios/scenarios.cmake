# Every tests/scenarios/*.scenario is a CTest test that plays it through
# kestrin-host, with its own work folder, hive folder and copy of the editor
# folder (the host makes them), and its own home folder. A scenario's
# header comments say what the run must give:
#   # options: ...     options of kestrin-host for this scenario
#   # exit: N          the exit status (0 when not given)
#   # output: REGEX    a line of the transcript must match (any number)
#   # line: TEXT       a whole line of the transcript is exactly TEXT
#   # pending: REASON  not registered yet: it needs what the editor lacks
set(KESTRIN_SCENARIO_DIR ${PROJECT_SOURCE_DIR}/tests/scenarios)
file(GLOB kestrin_scenarios CONFIGURE_DEPENDS ${KESTRIN_SCENARIO_DIR}/*.scenario)
foreach(scenario ${kestrin_scenarios})
  get_filename_component(name ${scenario} NAME_WE)
  file(STRINGS ${scenario} pending REGEX "^# pending:")
  if(pending)
    continue()
  endif()
  add_test(NAME scenario.${name}
    COMMAND ${CMAKE_COMMAND}
      -DHOST=$<TARGET_FILE:kestrin-host>
      -DSCENARIO=${scenario}
      -DHOME_DIR=${CMAKE_BINARY_DIR}/tests/scenario-homes/${name}
      -P ${KESTRIN_SCENARIO_DIR}/check.cmake)
  set_tests_properties(scenario.${name} PROPERTIES
    TIMEOUT 120
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endforeach()

# The console user, reading its commands from a file.
add_test(NAME scenario.console
  COMMAND ${CMAKE_COMMAND}
    -DHOST=$<TARGET_FILE:kestrin-host>
    -DEDITOR_DIR=${KESTRIN_EDITOR_DIR}
    -DHOME_DIR=${CMAKE_BINARY_DIR}/tests/scenario-homes/console
    -P ${KESTRIN_SCENARIO_DIR}/console.cmake)
set_tests_properties(scenario.console PROPERTIES TIMEOUT 120 ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")

# The console's input ends with a modified script that nobody may save.
add_test(NAME scenario.console_input_ends
  COMMAND ${CMAKE_COMMAND}
    -DHOST=$<TARGET_FILE:kestrin-host>
    -DEDITOR_DIR=${KESTRIN_EDITOR_DIR}
    -DHOME_DIR=${CMAKE_BINARY_DIR}/tests/scenario-homes/console_input_ends
    -P ${KESTRIN_SCENARIO_DIR}/console_input_ends.cmake)
set_tests_properties(scenario.console_input_ends PROPERTIES TIMEOUT 120 ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")

# Escapes in a script and its file name reach the terminal only as symbols,
# through the console, its drawing of the window and the demo bridge.
add_test(NAME scenario.console_escapes
  COMMAND ${CMAKE_COMMAND}
    -DHOST=$<TARGET_FILE:kestrin-host>
    -DEDITOR_DIR=${KESTRIN_EDITOR_DIR}
    -DHOME_DIR=${CMAKE_BINARY_DIR}/tests/scenario-homes/console_escapes
    -P ${KESTRIN_SCENARIO_DIR}/console_escapes.cmake)
set_tests_properties(scenario.console_escapes PROPERTIES TIMEOUT 120
  ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
