# Windows-only suites of the application shell, run under Wine.

# The form builder against the real layout tables, headless (Wine's null
# display driver gives real windows without an X server).
add_executable(form_builder_tests
  ${CMAKE_CURRENT_LIST_DIR}/form_builder_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../native/fake_ui.cpp
  ${PROJECT_SOURCE_DIR}/app/resources/pindrel.rc)
target_include_directories(form_builder_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../native
  ${PINDREL_RC_INCLUDES})
target_link_libraries(form_builder_tests PRIVATE pindrel_shell_logic pindrel_ui_win32 GTest::gtest_main)
pindrel_add_test(NAME shell_form_builder COMMAND form_builder_tests
  --gtest_filter=-*TransparentLabel*:*YieldingHandler* TIMEOUT 300)
# Repainting and yielding on real windows.
pindrel_add_test(NAME shell_form_builder_paint COMMAND form_builder_tests
  --gtest_filter=*TransparentLabel*:*YieldingHandler* TIMEOUT 300)

# Only system DLLs: nothing else ships with the program.
add_test(NAME shell_program_imports
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/program_imports.sh $<TARGET_FILE:Pindrel>)

# The real program: starts on an X display, shows "Pindrel", ends by File > Exit.
pindrel_add_script_test(NAME shell_program_start_exit TIMEOUT 300
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/program_start_exit.sh $<TARGET_FILE:Pindrel>)

# What the program carries as resources. The 64-bit program's manifest binds
# the common controls of any architecture ("*", two bytes shorter twice).
set(manifest_bytes 568)
if(PINDREL_WINDOWS_BITS EQUAL 64)
  set(manifest_bytes 564)
endif()
add_executable(program_resource_tests ${CMAKE_CURRENT_LIST_DIR}/resources_test.cpp)
target_link_libraries(program_resource_tests PRIVATE version GTest::gtest_main)
target_compile_definitions(program_resource_tests PRIVATE
  PINDREL_EXE=L"Z:$<TARGET_FILE:Pindrel>"
  PINDREL_MANIFEST="Z:${PINDREL_MANIFEST}" PINDREL_MANIFEST_BYTES=${manifest_bytes})
add_dependencies(program_resource_tests Pindrel)
pindrel_add_test(NAME shell_program_resources COMMAND program_resource_tests TIMEOUT 120)

# The program's desktop: help viewer and message pumping.
add_executable(shell_desktop_tests ${CMAKE_CURRENT_LIST_DIR}/desktop_test.cpp)
target_link_libraries(shell_desktop_tests PRIVATE pindrel_shell_win32 GTest::gtest_main)
pindrel_add_test(NAME shell_desktop COMMAND shell_desktop_tests TIMEOUT 120)
add_dependencies(shell_desktop_tests manual)
