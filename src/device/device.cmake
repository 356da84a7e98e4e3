target_sources(rv720_core PRIVATE
  frame.cpp
)
