# Export and import together under Wine, through the registered Tessary and
# the local store.
if(WIN32 AND TARGET localstore_com)
  add_executable(round_trip_tests
    win32/round_trip_test.cpp
    native/fake_ui.cpp)
  target_include_directories(round_trip_tests PRIVATE native win32)
  target_link_libraries(round_trip_tests PRIVATE pindrel_shell_logic pindrel_store_dispatch pindrel_reader_com
    pindrel_walk_win32 pindrel_export_win32 com_support GTest::gtest_main)
  add_dependencies(round_trip_tests tessary_com localstore_com)
  # The sample files a user would import, through drive Z:.
  target_compile_definitions(round_trip_tests PRIVATE PINDREL_SAMPLES_DIR="Z:${PROJECT_SOURCE_DIR}/samples/import")
  pindrel_add_script_test(NAME round_trip TIMEOUT 600
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/win32/round_trip_test.sh $<TARGET_FILE:round_trip_tests>
            $<TARGET_FILE:tessary_com> $<TARGET_FILE:localstore_com>)
  set_tests_properties(round_trip PROPERTIES RESOURCE_LOCK tessary_registration)

  # The same round trip on generated contacts, timed each way
  # (tests/bench/round_trip_bench.sh runs it; not a test).
  add_executable(round_trip_bench bench/round_trip_bench.cpp native/fake_ui.cpp)
  target_include_directories(round_trip_bench PRIVATE native win32)
  target_link_libraries(round_trip_bench PRIVATE pindrel_shell_logic pindrel_store_dispatch pindrel_reader_com
    pindrel_walk_win32 pindrel_export_win32)
  add_dependencies(round_trip_bench tessary_com localstore_com)
endif()
