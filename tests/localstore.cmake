# The local store: its profile code and vCard writer natively (and, built
# with mingw, under Wine); under Wine the COM server, its registration, its
# contract from VBScript and from C++, durability and the folder picker.

add_executable(localstore_core_tests
  native/localstore_profile_test.cpp
  native/localstore_vcard_test.cpp
  native/localstore_picture_test.cpp
  native/test_files.cpp)
# The pictures of the reader's sample cards, through drive Z: under Wine.
if(WIN32)
  target_compile_definitions(localstore_core_tests PRIVATE TESSARY_DATA_DIR="Z:${CMAKE_CURRENT_SOURCE_DIR}/data")
else()
  target_compile_definitions(localstore_core_tests PRIVATE TESSARY_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data")
endif()
# The vCard writer's files are read back as the program imports them.
target_link_libraries(localstore_core_tests PRIVATE localstore_core pindrel_import pindrel_import_core_reader
  GTest::gtest_main)
pindrel_add_test(NAME localstore_core COMMAND localstore_core_tests TIMEOUT 300)
# mingw's GCC 12 warns of an overlap inside std::u16string's own copy when it
# inlines assignments of short literals: a known false alarm.
if(WIN32)
  target_compile_options(localstore_core_tests PRIVATE -Wno-restrict)
endif()

if(WIN32)
  # Everything that registers LocalStore under the store library's ProgID
  # in the tests' prefix, or needs it registered, takes this lock.
  set(localstore_registration localstore_registration)

  add_executable(localstore_dispatch_tests
    localstore/dispatch_test.cpp
    localstore/picture_test.cpp
    localstore/picker_test.cpp)
  target_include_directories(localstore_dispatch_tests PRIVATE ${PROJECT_SOURCE_DIR}/localstore/com)
  target_compile_definitions(localstore_dispatch_tests PRIVATE TESSARY_DATA_DIR="Z:${CMAKE_CURRENT_SOURCE_DIR}/data")
  target_link_libraries(localstore_dispatch_tests PRIVATE com_support contact_schema comctl32 user32 GTest::gtest_main)
  # The tests load the LocalStore.dll beside them.
  add_dependencies(localstore_dispatch_tests localstore_com)
  pindrel_add_test(NAME localstore_dispatch COMMAND localstore_dispatch_tests TIMEOUT 600)
  # They run the detach probe on LocalStore.dll as well.
  add_dependencies(localstore_dispatch_tests tessary_detach_probe)

  # The COM boundary and the enumerator on their own, without the module.
  add_executable(localstore_boundary_tests
    localstore/boundary_test.cpp
    ${PROJECT_SOURCE_DIR}/localstore/com/dispatch.cpp)
  target_include_directories(localstore_boundary_tests PRIVATE ${PROJECT_SOURCE_DIR}/localstore/com)
  target_link_libraries(localstore_boundary_tests PRIVATE localstore_core com_support GTest::gtest_main)
  pindrel_add_test(NAME localstore_boundary COMMAND localstore_boundary_tests)

  pindrel_add_script_test(NAME localstore_vbscript TIMEOUT 600
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/localstore/vbscript_test.sh $<TARGET_FILE:localstore_com>)
  set_tests_properties(localstore_vbscript PROPERTIES RESOURCE_LOCK ${localstore_registration})
endif()

if(WIN32)
  # Durability: writers killed part-way through runs of saves.
  add_executable(localstore_writer localstore/writer.cpp)
  target_link_libraries(localstore_writer PRIVATE com_support GTest::gtest)
  add_dependencies(localstore_writer localstore_com)
  pindrel_add_script_test(NAME localstore_durability TIMEOUT 900
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/localstore/durability_test.sh $<TARGET_FILE:localstore_writer>)
endif()

# One profile written and read by both bitnesses, from the 32-bit tree: its
# 64-bit writer comes from the win64 preset's tree with the installer's
# 64-bit binaries (win64_binaries, installer/CMakeLists.txt).
if(TARGET win64_binaries)
  pindrel_add_script_test(NAME localstore_bitness
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/localstore/bitness_test.sh $<TARGET_FILE:localstore_writer>
            ${PROJECT_SOURCE_DIR}/build/win64/bin/localstore_writer.exe)
endif()

if(WIN32)
  # The benchmark (tests/bench/localstore_bench.sh runs it; not a test).
  add_executable(localstore_bench bench/localstore_bench.cpp)
  target_link_libraries(localstore_bench PRIVATE com_support psapi GTest::gtest)
  add_dependencies(localstore_bench localstore_com)
endif()
