rv720_add_test(editing_tests LABEL unit SOURCES
  editing_test.cpp
  parameter_pages_test.cpp
)
