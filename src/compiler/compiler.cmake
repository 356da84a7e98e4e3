target_sources(rv720_core PRIVATE
  compiler.cpp
)
