target_sources(rv720_core PRIVATE
  conversions.cpp
)
