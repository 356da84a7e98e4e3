# GUI tests of the direct-control, outputs, monitor and parameter windows.
if(RV720_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  rv720_add_test(control_windows_tests LABEL gui
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/control_windows_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/monitor_windows_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/parameter_dialog_test.cpp
    LIBS rv720_gui Qt6::Test)
endif()
