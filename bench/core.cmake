add_executable(rv720_bench bench_main.cpp)
target_link_libraries(rv720_bench PRIVATE rv720_core benchmark::benchmark)
