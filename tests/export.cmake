# The export: its file names and its window's logic over the fake store and
# desktop (native, and built with mingw under Wine).
add_executable(export_tests
  native/export_file_name_test.cpp
  native/frm_vcard_export_test.cpp
  native/fake_ui.cpp
  native/fake_store.cpp)
target_link_libraries(export_tests PRIVATE pindrel_export pindrel_shell_logic GTest::gtest_main)
if(WIN32)
  target_sources(export_tests PRIVATE win32/export_file_win32_test.cpp)
  target_link_libraries(export_tests PRIVATE pindrel_export_win32)
endif()
pindrel_add_test(NAME export COMMAND export_tests)

# The 3.0 and 4.0 card writer, its cards read back through the reader core
# and the import's mapping.
add_executable(card_writer_tests
  native/card_writer_test.cpp
  native/test_files.cpp)
target_link_libraries(card_writer_tests PRIVATE pindrel_card_writer pindrel_import pindrel_import_core_reader
  GTest::gtest_main)
pindrel_add_test(NAME card_writer COMMAND card_writer_tests)
