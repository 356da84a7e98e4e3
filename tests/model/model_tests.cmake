rv720_add_test(model_tests LABEL unit SOURCES
  program_model_test.cpp
  values_test.cpp
  message_text_test.cpp
)
