rv720_add_test(device_tests LABEL unit SOURCES
  frame_test.cpp
  protocol_test.cpp
  transfer_test.cpp
  usb_link_test.cpp
)
