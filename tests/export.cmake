# The export: its file names and its window's logic over the fake store and
# desktop (native, and built with mingw under Wine).
add_executable(export_tests
  native/export_file_name_test.cpp
  native/frm_vcard_export_test.cpp
  native/fake_ui.cpp
  native/fake_store.cpp)
target_link_libraries(export_tests PRIVATE pindrel_export pindrel_shell_logic GTest::gtest_main)
pindrel_add_test(NAME export COMMAND export_tests)
