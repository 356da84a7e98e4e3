# GUI benchmarks (offscreen): re-rendering a full listing in the main window.
add_executable(rv720_gui_bench ${CMAKE_CURRENT_LIST_DIR}/gui_bench.cpp)
target_link_libraries(rv720_gui_bench PRIVATE rv720_gui benchmark::benchmark)

# The station connected to the twin and idle: CPU share of one core on a real
# event loop with the 1 ms poll running (offscreen).
add_executable(rv720_station_idle_bench ${CMAKE_CURRENT_LIST_DIR}/station_idle_bench.cpp)
target_link_libraries(rv720_station_idle_bench PRIVATE rv720_gui benchmark::benchmark)

# The motor window's live chart: a repaint with 30 s of history, a sample taken in,
# and a sample offered while hidden (offscreen).
add_executable(rv720_chart_bench ${CMAKE_CURRENT_LIST_DIR}/chart_bench.cpp)
target_link_libraries(rv720_chart_bench PRIVATE rv720_gui benchmark::benchmark)
