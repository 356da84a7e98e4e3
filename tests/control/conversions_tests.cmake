rv720_add_test(conversions_tests LABEL unit SOURCES
  conversions_test.cpp
)
