target_sources(rv720_core PRIVATE
  device_station.cpp
  frame.cpp
  replies.cpp
  transfer.cpp
  usb_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../support/event_loop.cpp
)
