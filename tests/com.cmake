# Tessary's COM server: its registry script parser (portable, both presets),
# and under Wine the server itself, its registration and a script client.

add_executable(registry_script_tests
  native/registry_script_test.cpp
  ${PROJECT_SOURCE_DIR}/com/registry_script.cpp)
target_include_directories(registry_script_tests PRIVATE ${PROJECT_SOURCE_DIR}/com)
target_link_libraries(registry_script_tests PRIVATE GTest::gtest_main)
pindrel_add_test(NAME com_registry_script COMMAND registry_script_tests)

if(WIN32)
  add_executable(com_server_tests
    win32/com_server_test.cpp
    win32/com_stream_test.cpp)
  target_link_libraries(com_server_tests PRIVATE tessary_interfaces com_support version GTest::gtest_main)
  # The tests load the Tessary.dll beside them.
  add_dependencies(com_server_tests tessary_com tessary_detach_probe)

  # Run by com_server_tests in processes of their own.
  add_executable(tessary_detach_probe win32/com_detach_probe.cpp)
  target_link_libraries(tessary_detach_probe PRIVATE tessary_interfaces)
  target_link_options(tessary_detach_probe PRIVATE -municode)

  # Everything that registers Tessary in the prefix, or needs it registered,
  # takes this lock: one test unregistering must not pull the classes from
  # under another.
  set(registration_lock tessary_registration)

  pindrel_add_test(NAME com_server COMMAND com_server_tests)
  pindrel_add_script_test(NAME com_registration
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/com/registration_test.sh $<TARGET_FILE:tessary_com>)
  pindrel_add_script_test(NAME com_vbscript
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/com/vbscript_test.sh $<TARGET_FILE:tessary_com>)
  pindrel_add_script_test(NAME com_binary
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/com/binary_test.sh $<TARGET_FILE:tessary_com>)
  set_tests_properties(com_server com_registration com_vbscript PROPERTIES
    RESOURCE_LOCK ${registration_lock})
endif()
