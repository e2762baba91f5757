# kestrin_module(NAME DIR [DEPS ...]): the sources of DIR (every .cpp, no
# sub-folders) as the object library NAME_obj, and as the position-independent
# static library NAME that tests link. DEPS are other modules (kp_*, ks_*) or
# outside libraries. The shared libraries take the objects of every module
# once (kestrin_shared_from_modules).
function(kestrin_module name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT srcs)
    set(stub ${CMAKE_BINARY_DIR}/stubs/${name}_empty.cpp)
    if(NOT EXISTS ${stub})
      file(WRITE ${stub} "// ${name} has no source yet.\n")
    endif()
    set(srcs ${stub})
  endif()
  set(obj_deps "")
  set(static_deps "")
  foreach(d ${ARGN})
    if(d MATCHES "^k[ps]_")
      list(APPEND obj_deps ${d}_obj)
      list(APPEND static_deps ${d})
    else()
      list(APPEND obj_deps ${d})
    endif()
  endforeach()
  add_library(${name}_obj OBJECT ${srcs})
  target_include_directories(${name}_obj PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name}_obj PUBLIC ${obj_deps})
  add_library(${name} STATIC)
  target_link_libraries(${name} PUBLIC ${name}_obj ${static_deps})
endfunction()

# kestrin_shared_from_modules(TARGET MODULES...): the objects of each module
# linked into the shared library TARGET.
function(kestrin_shared_from_modules target)
  foreach(m ${ARGN})
    target_link_libraries(${target} PRIVATE ${m}_obj)
  endforeach()
endfunction()

# kestrin_tests(NAME DIR [LIBS ...]): one GoogleTest executable of every .cpp
# in DIR, registered with CTest. Nothing is made while DIR holds no test.
function(kestrin_tests name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gmock GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    KESTRIN_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KESTRIN_EDITOR_DIR="${KESTRIN_EDITOR_DIR}"
    KESTRIN_BUILD_DIR="${CMAKE_BINARY_DIR}")
  set_target_properties(${name} PROPERTIES BUILD_RPATH "${KESTRIN_EDITOR_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0" TIMEOUT 120
    ENVIRONMENT_MODIFICATION "KESTRIN_DESKTOP=set:off")
endfunction()

# kestrin_tests_desktop_off(): every test that add_test registered so far
# in the current folder runs with the terminal desktop off
# (KESTRIN_DESKTOP=off), so that a test started from a person's terminal
# never waits on it; a test that means to open it sets the variable again
# inside its own run. Called at the end of each folder that adds tests.
function(kestrin_tests_desktop_off)
  get_property(tests DIRECTORY PROPERTY TESTS)
  if(tests)
    set_property(TEST ${tests} APPEND PROPERTY ENVIRONMENT_MODIFICATION "KESTRIN_DESKTOP=set:off")
  endif()
endfunction()
