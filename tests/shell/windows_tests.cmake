# GUI tests of the transfer and password windows (run offscreen).
if(RV720_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  rv720_add_test(shell_secondary_window_tests LABEL gui
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/kompilacja_window_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/pass_window_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/secondary_windows_test.cpp
    LIBS rv720_gui Qt6::Test)
endif()
