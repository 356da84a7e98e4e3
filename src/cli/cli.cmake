# The tool's logic is a library so tests can run the verbs in-process.
add_library(rv720_cli_lib STATIC
  cli.cpp
  program_verbs.cpp
)
target_link_libraries(rv720_cli_lib PUBLIC rv720_core)

add_executable(rv720 main.cpp)
target_link_libraries(rv720 PRIVATE rv720_cli_lib)

# The device verbs need the serial backend (Qt Core and SerialPort).
if(TARGET rv720_backends)
  target_sources(rv720_cli_lib PRIVATE device_verbs.cpp monitor_verb.cpp)
  target_link_libraries(rv720_cli_lib PUBLIC rv720_backends)
  target_compile_definitions(rv720_cli_lib PUBLIC RV720_DEVICE_VERBS)
endif()
