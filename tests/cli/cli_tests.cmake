# The demo program and the tool that writes it to examples/demo.pri.
add_library(rv720_demo_program STATIC demo_program.cpp)
target_link_libraries(rv720_demo_program PUBLIC rv720_core)
target_include_directories(rv720_demo_program PUBLIC ${PROJECT_SOURCE_DIR}/tests)

add_executable(make_demo_program make_demo_program.cpp)
target_link_libraries(make_demo_program PRIVATE rv720_demo_program)

rv720_add_test(cli_tests LABEL unit SOURCES
  cli_test.cpp
  LIBS rv720_cli_lib rv720_demo_program
)

rv720_add_test(cli_binary_tests LABEL e2e SOURCES
  cli_binary_test.cpp
)
target_compile_definitions(cli_binary_tests PRIVATE RV720_BIN="$<TARGET_FILE:rv720>")
add_dependencies(cli_binary_tests rv720)

if(TARGET rv720_backends)
  rv720_add_test(cli_device_tests LABEL unit SOURCES
    device_backends_test.cpp
    device_verbs_test.cpp
    LIBS rv720_cli_lib rv720_demo_program
  )
endif()

if(TARGET rv720_backends)
  rv720_add_test(cli_serial_e2e_tests LABEL e2e SOURCES
    serial_e2e_test.cpp
    LIBS rv720_backends rv720_demo_program
  )
  target_compile_definitions(cli_serial_e2e_tests PRIVATE RV720_BIN="$<TARGET_FILE:rv720>")
  add_dependencies(cli_serial_e2e_tests rv720)
endif()

if(TARGET rv720_backends)
  rv720_add_test(cli_monitor_tests LABEL unit SOURCES
    monitor_verb_test.cpp
    LIBS rv720_cli_lib
  )
endif()

if(TARGET rv720_backends)
  rv720_add_test(cli_monitor_binary_tests LABEL e2e SOURCES
    monitor_binary_test.cpp
  )
  target_compile_definitions(cli_monitor_binary_tests PRIVATE RV720_BIN="$<TARGET_FILE:rv720>")
  add_dependencies(cli_monitor_binary_tests rv720)
endif()
