target_sources(rv720_core PRIVATE
  commands.cpp
  program_image.cpp
  values.cpp
  message_text.cpp
)
