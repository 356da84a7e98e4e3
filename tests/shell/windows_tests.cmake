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

# The station's device side on the controller twin (run offscreen).
if(RV720_GUI)
  rv720_add_test(station_device_tests LABEL gui
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/station_device_test.cpp
    LIBS rv720_gui Qt6::Test)
endif()

# Not a test: the scenes behind docs/screenshot-transfer.png and docs/screenshot-running.png.
if(RV720_GUI)
  add_executable(device_screenshot_scene ${CMAKE_CURRENT_LIST_DIR}/device_screenshot_scene.cpp)
  target_link_libraries(device_screenshot_scene PRIVATE rv720_gui)
endif()
