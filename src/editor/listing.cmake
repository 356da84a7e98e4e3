target_sources(rv720_core PRIVATE
  listing.cpp
)
