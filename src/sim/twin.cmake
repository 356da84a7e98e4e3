target_sources(rv720_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/axis.cpp
  ${CMAKE_CURRENT_LIST_DIR}/controller_twin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/eeprom_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/simulated_ftdi.cpp
)
