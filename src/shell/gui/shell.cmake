# The application shell: window base, artwork, main window, printing, help.
find_package(Qt6 REQUIRED COMPONENTS Svg GLOBAL)
target_link_libraries(rv720_gui PUBLIC Qt6::Svg)

target_sources(rv720_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/artwork.cpp
  ${CMAKE_CURRENT_LIST_DIR}/station_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_adapters.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hints.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/help_viewer.h
  ${CMAKE_CURRENT_LIST_DIR}/help_viewer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/info_window.h
  ${CMAKE_CURRENT_LIST_DIR}/info_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window.h
  ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window_device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/station_app.cpp
)

add_executable(rv720-station ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
# The station picks its device with --device (auto, simulator or a port path).
target_link_libraries(rv720-station PRIVATE rv720_gui rv720_backends)

# Glyphs are listed one by one so a missing file fails the build, not the screen.
set(RV720_GLYPHS
  window-close window-minimise ok
  file-new file-open file-save file-save-as print move-down move-up
  usb-disconnect usb-connect program-write program-read program-stop program-play
  view-usb view-io view-motors device-reset device-firmware help about emergency-stop
  cmd-driver cmd-vmin cmd-vmax cmd-amax cmd-enable cmd-vdest cmd-goto cmd-home cmd-brake
  cmd-stop cmd-wait-motor cmd-clear-motor cmd-output cmd-counter cmd-jump cmd-jump-input
  cmd-jump-counter cmd-wait cmd-end cmd-usb cmd-message
  set-config set-mode set-vmin set-vmax set-amax set-vdest set-xdest set-output
)
set(rv720_glyph_files "")
foreach(g IN LISTS RV720_GLYPHS)
  list(APPEND rv720_glyph_files ${PROJECT_SOURCE_DIR}/resources/glyphs/${g}.svg)
endforeach()
qt_add_resources(rv720_gui "station_glyphs"
  PREFIX "/"
  BASE ${PROJECT_SOURCE_DIR}/resources
  FILES ${rv720_glyph_files}
)
