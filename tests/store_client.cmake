# The late-bound store client, against an automation server inside the test.
if(WIN32)
  add_executable(store_dispatch_tests win32/store_dispatch_test.cpp)
  target_link_libraries(store_dispatch_tests PRIVATE pindrel_store_dispatch tessary_interfaces com_support GTest::gtest_main)
  pindrel_add_test(NAME store_dispatch COMMAND store_dispatch_tests)
endif()
