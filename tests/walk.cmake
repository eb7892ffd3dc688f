# The folder walk, the directory search behind it and the shell folder
# functions.

# Portable walk over a fake tree; built for Windows too and run under Wine.
add_executable(folder_listing_tests native/folder_listing_test.cpp)
target_link_libraries(folder_listing_tests PRIVATE pindrel_walk GTest::gtest_main)
pindrel_add_test(NAME folder_listing COMMAND folder_listing_tests TIMEOUT 120)

if(WIN32)
  # The real directory search and shell dialogs under Wine, on a tree with
  # Unix link cycles that the script builds first.
  add_executable(walk_win32_tests win32/walk_win32_test.cpp)
  target_link_libraries(walk_win32_tests PRIVATE
    pindrel_walk_win32 pindrel_shell_folders GTest::gtest_main)
  pindrel_add_script_test(NAME walk_win32
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/win32/walk_win32_test.sh $<TARGET_FILE:walk_win32_tests>
    TIMEOUT 300)
endif()

# The manual quotes every message and caption exactly, links only to pages
# that exist, and compiles into Manual.chm.
add_test(NAME manual
  COMMAND ${CMAKE_COMMAND} -DMANUAL_DIR=${PROJECT_SOURCE_DIR}/docs/manual
          -DCHM=${PINDREL_BIN_DIR}/Manual.chm -P ${CMAKE_CURRENT_SOURCE_DIR}/tools/manual_check.cmake)
set_tests_properties(manual PROPERTIES TIMEOUT 60)
