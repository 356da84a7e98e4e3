# GUI benchmarks (offscreen): re-rendering a full listing in the main window.
add_executable(rv720_gui_bench ${CMAKE_CURRENT_LIST_DIR}/gui_bench.cpp)
target_link_libraries(rv720_gui_bench PRIVATE rv720_gui benchmark::benchmark)
