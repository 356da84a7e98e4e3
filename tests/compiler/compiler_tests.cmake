rv720_add_test(compiler_tests LABEL unit SOURCES
  compiler_test.cpp
)
