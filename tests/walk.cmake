# The folder walk, the directory search behind it and the shell folder
# functions.

# Portable walk over a fake tree; built for Windows too and run under Wine.
add_executable(folder_listing_tests native/folder_listing_test.cpp)
target_link_libraries(folder_listing_tests PRIVATE pindrel_walk GTest::gtest_main)
pindrel_add_test(NAME folder_listing COMMAND folder_listing_tests TIMEOUT 120)
