# The export and import benchmarks under Wine (tests/bench/export_bench.sh
# and import_bench.sh run them; not tests). The window logic runs on real
# windows, so the program's resources come along.
if(WIN32 AND TARGET localstore_com)
  set(bench_resources ${PROJECT_SOURCE_DIR}/app/resources)
  foreach(name export_bench import_bench)
    add_executable(${name} bench/${name}.cpp ${bench_resources}/pindrel.rc)
    target_include_directories(${name} PRIVATE bench native ${PINDREL_RC_INCLUDES})
    target_link_libraries(${name} PRIVATE pindrel_shell_win32 psapi)
    add_dependencies(${name} tessary_com localstore_com)
  endforeach()
  # The reader benchmark's generator makes the files to import.
  target_sources(import_bench PRIVATE bench/vcard_gen.cpp)
  target_link_libraries(import_bench PRIVATE text_codec)
endif()

# The local store's core alone under Wine, beside localstore_bench.
if(WIN32)
  add_executable(localstore_core_bench bench/localstore_core_bench.cpp)
  target_link_libraries(localstore_core_bench PRIVATE localstore_core)
endif()
