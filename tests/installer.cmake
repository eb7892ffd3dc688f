# PindrelSetup.exe under Wine: installed, used, upgraded and uninstalled in
# a prefix of its own, which must end as it began.
if(WIN32)
  # Closes a program by posting WM_CLOSE to its window, as its user would.
  add_executable(close_window installer/close_window.cpp)
  target_link_options(close_window PRIVATE -municode)

  pindrel_add_script_test(NAME installer TIMEOUT 600
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/installer/installer_test.sh
            ${PINDREL_BIN_DIR}/PindrelSetup.exe $<TARGET_FILE:close_window>)
  # The test installs what the build made.
  add_dependencies(close_window installer)
endif()
