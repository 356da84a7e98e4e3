rv720_add_test(twin_tests LABEL unit SOURCES
  twin_protocol_test.cpp
  twin_program_test.cpp
  twin_faults_test.cpp
  simulated_ftdi_test.cpp
)
