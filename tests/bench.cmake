# The export and import benchmarks under Wine (tests/bench/export_bench.sh
# and import_bench.sh run them; not tests). The window logic runs on real
# windows, so the program's resources come along.
if(WIN32 AND TARGET localstore_com)
  set(bench_resources ${PROJECT_SOURCE_DIR}/app/resources)
  foreach(name export_bench import_bench)
    add_executable(${name} bench/${name}.cpp ${bench_resources}/pindrel.rc)
    target_include_directories(${name} PRIVATE bench ${bench_resources})
    target_link_libraries(${name} PRIVATE pindrel_shell_win32 psapi)
    add_dependencies(${name} tessary_com localstore_com)
  endforeach()
  # The reader benchmark's generator makes the files to import.
  target_sources(import_bench PRIVATE bench/vcard_gen.cpp)
endif()
