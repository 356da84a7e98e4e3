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

# The direct-control column, the outputs window, the monitors' request loops and
# the live chart, with the whole station on the controller twin.
if(RV720_GUI)
  rv720_add_test(direct_control_tests LABEL gui
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/direct_control_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/motion_chart_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/monitor_loop_test.cpp
    LIBS rv720_gui Qt6::Test)
endif()

# Not a test: the scene behind docs/screenshot-monitor.png.
if(RV720_GUI)
  add_executable(monitor_screenshot_scene ${CMAKE_CURRENT_LIST_DIR}/monitor_screenshot_scene.cpp)
  target_link_libraries(monitor_screenshot_scene PRIVATE rv720_gui)
endif()
