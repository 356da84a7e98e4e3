target_sources(rv720_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/motion.cpp
)
