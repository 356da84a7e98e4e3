rv720_add_test(program_file_tests LABEL unit SOURCES
  program_file_test.cpp
)
