# Windows-only suites of the application shell, run under Wine.

# The form builder against the real layout tables, headless (Wine's null
# display driver gives real windows without an X server).
add_executable(form_builder_tests
  ${CMAKE_CURRENT_LIST_DIR}/form_builder_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../native/fake_ui.cpp
  ${PROJECT_SOURCE_DIR}/app/resources/pindrel.rc)
target_include_directories(form_builder_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../native
  ${PROJECT_SOURCE_DIR}/app/resources)
target_link_libraries(form_builder_tests PRIVATE pindrel_shell_logic pindrel_ui_win32 GTest::gtest_main)
pindrel_add_test(NAME shell_form_builder COMMAND form_builder_tests TIMEOUT 300)

# The real program: starts on an X display, shows "Pindrel", ends by File > Exit.
if(TARGET Pindrel)
  pindrel_add_script_test(NAME shell_program_start_exit TIMEOUT 300
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/program_start_exit.sh $<TARGET_FILE:Pindrel>)
endif()
