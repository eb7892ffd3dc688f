# The import: the contact mapping, the import window and run over the fake
# window layer, store and reader, and real files read by the reader core
# through the import's adapter (native and under Wine).
add_executable(import_tests
  native/contact_mapping_test.cpp
  native/frm_vcard_import_test.cpp
  native/import_core_reader_test.cpp
  native/fake_ui.cpp
  native/fake_store.cpp
  native/test_files.cpp)
target_link_libraries(import_tests PRIVATE pindrel_import pindrel_import_core_reader GTest::gtest_main)
pindrel_add_test(NAME import COMMAND import_tests)
