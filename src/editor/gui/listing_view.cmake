# The listing view of the main window.
target_sources(rv720_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/listing_view.h
  ${CMAKE_CURRENT_LIST_DIR}/listing_view.cpp
)
