target_sources(rv720_core PRIVATE
  program_file.cpp
)
