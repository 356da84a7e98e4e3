rv720_add_test(motion_tests LABEL unit SOURCES
  motion_test.cpp
  motion_twin_test.cpp
)
