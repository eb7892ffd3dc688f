# PindrelSetup.exe under Wine: installed, used, upgraded and uninstalled in
# a prefix of its own, which must end as it began.
if(TARGET installer)
  # Closes a program by posting WM_CLOSE to its window, as its user would.
  add_executable(close_window installer/close_window.cpp)
  target_link_options(close_window PRIVATE -municode)

  # In a 32-bit prefix (32-bit Windows) and in a 64-bit one.
  foreach(arch win32 win64)
    pindrel_add_script_test(NAME installer_${arch} TIMEOUT 600
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/installer/installer_test.sh ${arch}
              ${PINDREL_BIN_DIR}/PindrelSetup.exe $<TARGET_FILE:close_window> ${PROJECT_SOURCE_DIR}/build/win64/bin)
  endforeach()
  # The test installs what the build made.
  add_dependencies(close_window installer)
endif()
