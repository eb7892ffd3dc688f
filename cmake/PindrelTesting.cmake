# Test registration shared by both presets. Native test binaries run as they
# are; Windows ones run under Wine in the build tree's own prefix, between a
# fixture that starts a persistent wineserver and one that stops it.

set(PINDREL_WINE ${CMAKE_SOURCE_DIR}/cmake/wine.sh)
set(PINDREL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)

# Windows code runs emulated on some build machines (32-bit Wine under a
# user-mode emulator), a few times slower than natively: Windows tests get
# twice the time a native run would need.
set(PINDREL_TIMEOUT_SCALE 1)
if(WIN32)
  set(PINDREL_TIMEOUT_SCALE 2)
endif()

# pindrel_add_test(NAME name COMMAND target-or-program [args...])
# Windows executables built here (targets) run through Wine.
function(pindrel_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "COMMAND" ${ARGN})
  list(POP_FRONT T_COMMAND program)
  if(TARGET ${program})
    set(program $<TARGET_FILE:${program}>)
  endif()
  if(WIN32)
    add_test(NAME ${T_NAME}
             COMMAND ${PINDREL_WINE} ${PINDREL_WINEPREFIX} run ${program} ${T_COMMAND})
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine)
  else()
    add_test(NAME ${T_NAME} COMMAND ${program} ${T_COMMAND})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  math(EXPR T_TIMEOUT "${T_TIMEOUT} * ${PINDREL_TIMEOUT_SCALE}")
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()

# A test that runs a shell script on the build host (for example one that
# drives Wine itself); the script gets the Wine helper and prefix in its
# environment.
function(pindrel_add_script_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "COMMAND" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  math(EXPR T_TIMEOUT "${T_TIMEOUT} * ${PINDREL_TIMEOUT_SCALE}")
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "PINDREL_WINDOWS_BITS=${PINDREL_WINDOWS_BITS};PINDREL_WINE=${PINDREL_WINE};PINDREL_WINEPREFIX=${PINDREL_WINEPREFIX};PINDREL_BUILD=${CMAKE_BINARY_DIR};PINDREL_SOURCE=${CMAKE_SOURCE_DIR}")
  if(WIN32)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()

function(pindrel_add_wine_fixture)
  if(WIN32)
    add_test(NAME wine_start COMMAND ${PINDREL_WINE} ${PINDREL_WINEPREFIX} start)
    add_test(NAME wine_stop COMMAND ${PINDREL_WINE} ${PINDREL_WINEPREFIX} stop)
    set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 900)
    set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
  endif()
endfunction()
