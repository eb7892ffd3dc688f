# Application shell: window logic with fake form and desktop (native and
# under Wine), and on Windows the form builder and the program itself.
add_executable(shell_logic_tests
  native/frm_main_test.cpp
  native/shell_layout_test.cpp
  native/contacts_folder_choice_test.cpp
  native/fake_ui.cpp
  native/fake_store.cpp)
target_link_libraries(shell_logic_tests PRIVATE pindrel_shell_logic GTest::gtest_main)
pindrel_add_test(NAME shell_logic COMMAND shell_logic_tests)

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/win32/shell_win32.cmake)
endif()
