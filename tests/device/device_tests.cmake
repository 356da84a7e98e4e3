rv720_add_test(device_tests LABEL unit SOURCES
  event_loop_test.cpp
  frame_test.cpp
  protocol_test.cpp
  transfer_test.cpp
  usb_link_test.cpp
)
rv720_add_test(device_e2e_tests LABEL e2e SOURCES
  twin_e2e_test.cpp
)
rv720_add_test(program_run_e2e_tests LABEL e2e SOURCES
  program_run_e2e_test.cpp
)
