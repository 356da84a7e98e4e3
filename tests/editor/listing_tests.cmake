rv720_add_test(listing_tests LABEL unit SOURCES
  listing_test.cpp
)
