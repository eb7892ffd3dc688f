# The local store: its profile code and vCard writer natively (and, built
# with mingw, under Wine); under Wine the COM server, its registration, its
# contract from VBScript and from C++, durability and the folder picker.

add_executable(localstore_core_tests
  native/localstore_profile_test.cpp
  native/localstore_vcard_test.cpp)
target_link_libraries(localstore_core_tests PRIVATE localstore_core tessary_core GTest::gtest_main)
pindrel_add_test(NAME localstore_core COMMAND localstore_core_tests TIMEOUT 300)
