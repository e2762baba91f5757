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

# The console user, reading its commands from a file (console); the
# console's input ending with a modified script that nobody may save
# (console_input_ends); escapes in a script and its file name reaching the
# terminal only as symbols, through the console, its drawing of the window
# and the demo bridge (console_escapes).
foreach(name console console_input_ends console_escapes)
  add_test(NAME scenario.${name}
    COMMAND ${CMAKE_COMMAND}
      -DHOST=$<TARGET_FILE:kestrin-host>
      -DEDITOR_DIR=${KESTRIN_EDITOR_DIR}
      -DHOME_DIR=${CMAKE_BINARY_DIR}/tests/scenario-homes/${name}
      -P ${KESTRIN_SCENARIO_DIR}/${name}.cmake)
  set_tests_properties(scenario.${name} PROPERTIES TIMEOUT 120 ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endforeach()
