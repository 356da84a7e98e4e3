target_sources(rv720_core PRIVATE editing.cpp menu.cpp parameter_pages.cpp)
