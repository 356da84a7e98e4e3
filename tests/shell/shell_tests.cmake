# GUI tests of the application shell (run offscreen).
if(RV720_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  rv720_add_test(shell_window_tests LABEL gui
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/station_window_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/listing_view_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/seams_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/file_workflow_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/printing_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/help_viewer_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/editing_wiring_test.cpp
    LIBS rv720_gui Qt6::Test)
endif()

# Not a test: the scene behind docs/screenshot-main.png.
if(RV720_GUI)
  add_executable(station_screenshot_scene ${CMAKE_CURRENT_LIST_DIR}/screenshot_scene.cpp)
  target_link_libraries(station_screenshot_scene PRIVATE rv720_gui)
endif()
