rv720_add_test(device_tests LABEL unit SOURCES
  frame_test.cpp
)
