# The transfer and password windows, and the glyphs of every secondary window's
# buttons (control, outputs, monitors, parameter dialog, transfer, password). The
# glyphs live in a folder of their own and join the shared ":/glyphs/" prefix.
target_sources(rv720_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/kompilacja_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pass_window.cpp
)

set(RV720_WINDOW_GLYPHS
  confirm step-down step-up log-clear firmware-update eeprom-write transfer-stop
)
set(rv720_window_glyph_files "")
foreach(g IN LISTS RV720_WINDOW_GLYPHS)
  list(APPEND rv720_window_glyph_files ${PROJECT_SOURCE_DIR}/resources/windows/glyphs/${g}.svg)
endforeach()
qt_add_resources(rv720_gui "window_glyphs"
  PREFIX "/"
  BASE ${PROJECT_SOURCE_DIR}/resources/windows
  FILES ${rv720_window_glyph_files}
)
