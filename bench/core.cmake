add_executable(rv720_bench bench_main.cpp core_bench.cpp)
target_link_libraries(rv720_bench PRIVATE rv720_core benchmark::benchmark)
# Writing a full program to the twin over emulated wire time, on the real-time loop.
target_sources(rv720_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/device_bench.cpp)
