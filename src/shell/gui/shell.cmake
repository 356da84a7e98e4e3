# The application shell: window base, artwork, main window, printing, help.
find_package(Qt6 REQUIRED COMPONENTS Svg GLOBAL)
target_link_libraries(rv720_gui PUBLIC Qt6::Svg)

target_sources(rv720_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/artwork.cpp
  ${CMAKE_CURRENT_LIST_DIR}/station_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_adapters.cpp
)

# Glyphs are listed one by one so a missing file fails the build, not the screen.
set(RV720_GLYPHS
  window-close window-minimise
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
