add_executable(rv720_bench bench_main.cpp core_bench.cpp)
target_link_libraries(rv720_bench PRIVATE rv720_core benchmark::benchmark)
