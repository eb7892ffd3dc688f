# The import: the two contact mappings, the import window and run over the fake
# window layer, store and reader, and real files read by the reader core
# through the import's adapter (native and under Wine).
add_executable(import_tests
  native/contact_mapping_test.cpp
  native/card_mapping_test.cpp
  native/frm_vcard_import_test.cpp
  native/reimport_test.cpp
  native/import_core_reader_test.cpp
  native/fake_ui.cpp
  native/fake_store.cpp
  native/test_files.cpp)
target_link_libraries(import_tests PRIVATE pindrel_import pindrel_import_core_reader GTest::gtest_main)
# The sample cards of the decoded reading; under Wine the source tree is
# reached through drive Z:.
if(WIN32)
  target_compile_definitions(import_tests PRIVATE PINDREL_MODERN_CARDS_DIR="Z:${CMAKE_CURRENT_SOURCE_DIR}/data/modern")
else()
  target_compile_definitions(import_tests PRIVATE PINDREL_MODERN_CARDS_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data/modern")
endif()
pindrel_add_test(NAME import COMMAND import_tests)

# The program's reader adapter over the real Tessary.dll, under Wine.
if(WIN32)
  add_executable(import_com_tests win32/vcard_reader_com_test.cpp)
  target_link_libraries(import_com_tests PRIVATE pindrel_reader_com com_support version GTest::gtest_main)
  add_dependencies(import_com_tests tessary_com)
  pindrel_add_test(NAME import_com COMMAND import_com_tests)
  # It registers the Tessary.dll beside it, as the COM server tests do.
  set_tests_properties(import_com PROPERTIES RESOURCE_LOCK tessary_registration)
endif()
